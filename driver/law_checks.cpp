#include "driver/law_checks.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "envelope/build.hpp"
#include "envelope/law/integral.hpp"
#include "envelope/parameters.hpp"
#include "numeric/digits.hpp"

namespace driver {

namespace {

// The doubles in their order, as integers: how many lie between two of them.
std::int64_t order(double x)
{
    const auto b = std::bit_cast<std::int64_t>(x);
    return b >= 0 ? b : std::numeric_limits<std::int64_t>::min() - b;
}

// The routines' messages, as a user who asked for a table reads them.
struct meaning {
    const char* starts;
    const char* words;
};
constexpr meaning meanings[] = {
    {"Too many steps in routine qromb", "the area integral did not converge"},
    {"Too many steps in routine qsimp", "the area integral did not converge"},
    {"root must be bracketed in zriddr", "a bin edge could not be placed: no bracket holds it"},
    {"zriddr exceed maximum iterations", "a bin edge could not be placed: its search did not converge"},
    {"Error in routine polint", "the area integral broke down (two equal abscissas)"},
    {"bin area calibration failed", "the bin area could not be calibrated"},
    {"edge search", "a bin edge could not be placed"},
};

}  // namespace

void check_law_before_building(std::size_t number, const law_answers& law, int n)
{
    const std::string name = law_name(number, law);
    if (order(law.xfin) - order(law.xini) < n) {
        numeric::fatal("%s: no table of n=%d bins: the interval holds fewer than n + 1 doubles", name.c_str(), n);
    }
    const double total = law::integral(law.H, law.M, law.xini, law.xfin, 1e-6);
    if (!(total / n >= std::numeric_limits<double>::min()) || !std::isfinite(total)) {
        numeric::fatal("%s: the density has no usable integral in doubles: %s, so no table can be calibrated",
                       name.c_str(), numeric::shortest(total).c_str());
    }
    try {
        envelope::refuse_unevaluable_H(law.H);
    } catch (const numeric::failure& f) {
        throw numeric::failure(f.kind(), name + ": " + f.what());
    }
}

std::string in_words(const std::string& message)
{
    for (const meaning& m : meanings) {
        if (message.rfind(m.starts, 0) == 0) return std::string(m.words) + " (" + message + ")";
    }
    return message;
}

numeric::failure law_failure(std::size_t number, const law_answers& law, int n, envelope::mode mode,
                             const numeric::failure& f)
{
    std::string message = law_name(number, law) + ": " + in_words(f.what());
    if (mode != envelope::mode::tight && f.kind() != numeric::failure_kind::refused) {
        try {
            const envelope::answers checked = envelope::check_answers(law.H, law.M, law.xini, law.xfin, n);
            const double loss = envelope::build(checked, envelope::mode::tight).table.loss;
            char figure[32];
            std::snprintf(figure, sizeof figure, "%.3g", loss);
            message += "; sin_cos --tight builds this law (loss " + std::string(figure) + "%)";
        } catch (const numeric::failure&) {
            message += "; sin_cos --tight cannot build it either";
        }
    }
    return numeric::failure(f.kind(), message);
}

}  // namespace driver
