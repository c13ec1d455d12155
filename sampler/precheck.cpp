#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "envelope/law/shape.hpp"
#include "envelope/law/soundness.hpp"
#include "envelope/parameters.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"
#include "sin_cos/build.hpp"
#include "sin_cos/error.hpp"

namespace sin_cos {

namespace {

// The doubles in their order, as integers: how many lie between two of them.
std::int64_t order(double x)
{
    const auto b = std::bit_cast<std::int64_t>(x);
    return b >= 0 ? b : std::numeric_limits<std::int64_t>::min() - b;
}

[[noreturn]] void no_table(const std::string& why) { throw build_error(errc::numerical, why); }

// Whether n bins of area a can cover [xini, xfin] at all, each bin's height
// at least the density's maximum on it: a bound, not a layout. On a piece
// where the density falls away from its high end, a bin that starts at x is
// at most a / f(x) wide; the bins counted from each piece's high end, less one
// for each bin two pieces may share, are at least as many as any covering
// needs. The count stops past n, so it costs at most n + 4 evaluations and
// for most laws one a piece.
bool n_bins_may_cover(const law& l, int n, double a)
{
    const detail::shape s{l.H, l.M};
    double cuts[5];
    int count = 0;
    cuts[count++] = l.xini;
    const double p = l.M > 0 ? s.stationary_point() : 0.0;
    for (const double c : {-p, 0.0, p}) {
        if (l.xini < c && c < l.xfin && c != cuts[count - 1]) cuts[count++] = c;
    }
    cuts[count++] = l.xfin;
    auto f = [&](double x) { return s.construction_density(x); };
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

bool tight_may_lose_at_most(const law& l, int n, double loss)
{
    // A --tight table of area s a bin (before the margin) loses
    // 100 (margin n s / integral - 1) percent, and each of its bins is at most
    // s over the density's maximum on it wide: where n such bins of the area
    // that loses `loss` cannot cover the interval, its area and loss are
    // larger. The area is taken a hair larger for the rounding of the steps.
    if (!(n >= 1) || !(loss >= 0)) return true;
    const double total = detail::shape{l.H, l.M}.integral(l.xini, l.xfin, detail::shape::soundness_accuracy);
    if (!(total > 0) || !std::isfinite(total)) return true;
    const double s = total / n * (1 + loss / 100) / margin * (1 + 1e-6);
    if (!std::isfinite(s)) return true;
    return n_bins_may_cover(l, n, s);
}

void precheck(const law& l, int n)
{
    try {
        envelope::check_answers(l.H, l.M, l.xini, l.xfin, n);
    } catch (const numeric::failure& f) {
        throw build_error(f.kind() == numeric::failure_kind::refused ? errc::refused : errc::numerical, f.what());
    }
    if (order(l.xfin) - order(l.xini) < n)
        no_table("no table of n=" + std::to_string(n) + " bins: the interval holds fewer than n + 1 doubles");
    // The builds integrate the same density in doubles.
    const double total = detail::shape{l.H, l.M}.integral(l.xini, l.xfin, detail::shape::precheck_accuracy);
    if (!(total / n >= std::numeric_limits<double>::min()) || !std::isfinite(total)) {
        no_table("the density has no usable integral in doubles: " + numeric::shortest(total) +
                 ", so no table can be calibrated");
    }
    // A table accepts integral / (n a) of its proposals: where n bins of the
    // area at the floor (a hair above, for the integral's accuracy) cannot
    // cover the interval, every sound table falls below it.
    const double floor_area = total / (n * detail::min_acceptance) * (1 + 1e-3);
    if (!n_bins_may_cover(l, n, floor_area)) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "no table of n=%d bins can accept one proposal in %.3g: the bins around the density's "
                      "peak cannot be narrow enough; use more bins",
                      n, 1 / detail::min_acceptance);
        no_table(text);
    }
    try {
        envelope::refuse_unevaluable_H(l.H);
    } catch (const numeric::failure& f) {
        no_table(f.what());
    }
}

}  // namespace sin_cos
