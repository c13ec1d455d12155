#include "sin_cos/detail/proposal.hpp"

#include <cmath>

#include "sin_cos/table.hpp"

namespace sin_cos::detail {

// A value under the density, as density() computes it, at every point the
// bin can propose: x0 + c width for c in [0, 1), off by less than
// 2^-52 (|x0| + width) however it is rounded; with that slack |x| spans
// [lo, hi]. Each rounding is monotone, so the computed x^M rises with |x| (M is
// even) and the computed 1 - x^2 and its root fall: x^M at lo times
// (1 - x^2)^((H-1)/2) at hi is under the computed density on the whole bin,
// and 0 where the bin holds a zero of it (x = 0 with M > 0, |x| = 1 with
// H > 1). The smaller end value would not do: next to a flat peak the
// computed density dips an ulp below it. This floor gives up a fraction of
// about width (M / |x| + (H - 1) |x| / (1 - x^2)) instead. std::pow is only
// nearly monotone, accurate to an ulp or so, hence the shave of 2^-40.
double density_floor(double x0, double width, double H, int M)
{
    const double x1 = x0 + width;
    const double slack = 0x1p-50 * (std::fabs(x0) + width);
    const double hi = std::fmax(std::fabs(x0), std::fabs(x1)) + slack;
    const double lo = x0 < 0 && x1 > 0 ? 0.0 : std::fmax(std::fmin(std::fabs(x0), std::fabs(x1)) - slack, 0.0);
    if (H != 1.0 && !(hi <= 1.0)) return 0.0;  // 1 - x^2 < 0 past the ends of [-1, 1]
    const double f = cos_factor(lo, M) * (sin_factor(hi, H) * (1.0 - 0x1p-40));
    return f > 0 ? f : 0.0;
}

}  // namespace sin_cos::detail
