#include "driver/law_checks.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "envelope/build.hpp"
#include "envelope/law/formula.hpp"
#include "envelope/law/integral.hpp"
#include "envelope/law/soundness.hpp"
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

// Whether n bins of area a can cover [xini, xfin] at all, each bin's height
// at least the density's maximum on it: a bound, not a layout. On a piece
// where the density falls away from its high end, a bin that starts at x is
// at most a / f(x) wide; the bins counted from each piece's high end, less one
// for each bin two pieces may share, are at least as many as any covering
// needs. The count stops past n, so it costs at most n + 4 evaluations and
// for most laws one a piece.
bool n_bins_may_cover(const law_answers& law, int n, double a)
{
    double cuts[5];
    int count = 0;
    cuts[count++] = law.xini;
    const double p = law.M > 0 ? sin_cos::detail::stationary_point(law.H, law.M) : 0.0;
    for (const double c : {-p, 0.0, p}) {
        if (law.xini < c && c < law.xfin && c != cuts[count - 1]) cuts[count++] = c;
    }
    cuts[count++] = law.xfin;
    auto f = [&](double x) { return sin_cos::detail::density_formula(x, law.H, law.M); };
    long needed = -(count - 2);  // a bin may straddle each inner cut
    for (int i = 0; i + 1 < count && needed <= n; ++i) {
        const double u = cuts[i], v = cuts[i + 1];
        const bool from_left = f(u) >= f(v);
        double x = from_left ? u : v;
        for (;;) {
            ++needed;
            const double fx = f(x);
            if (!(fx > 0) || needed > n) break;
            x = from_left ? x + a / fx : x - a / fx;
            if (from_left ? x >= v : x <= u) break;
        }
    }
    return needed <= n;
}

}  // namespace

void check_law_before_building(std::size_t number, const law_answers& law, int n)
{
    const std::string name = law_name(number, law);
    if (order(law.xfin) - order(law.xini) < n) {
        numeric::fatal("%s: no table of n=%d bins: the interval holds fewer than n + 1 doubles", name.c_str(), n);
    }
    const double total = sin_cos::detail::integral(law.H, law.M, law.xini, law.xfin, 1e-6);
    if (!(total / n >= std::numeric_limits<double>::min()) || !std::isfinite(total)) {
        numeric::fatal("%s: the density has no usable integral in doubles: %s, so no table can be calibrated",
                       name.c_str(), numeric::shortest(total).c_str());
    }
    // A table accepts integral / (n a) of its proposals: where n bins of the
    // area at the floor (a hair above, for the integral's accuracy) cannot
    // cover the interval, every sound table falls below it.
    const double floor_area = total / (n * sin_cos::detail::min_acceptance) * (1 + 1e-3);
    if (!n_bins_may_cover(law, n, floor_area)) {
        numeric::fatal("%s: no table of n=%d bins can accept one proposal in %.3g: the bins around the density's "
                       "peak cannot be narrow enough; use more bins",
                       name.c_str(), n, 1 / sin_cos::detail::min_acceptance);
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
