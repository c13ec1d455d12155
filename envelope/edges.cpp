#include "envelope/edges.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "envelope/density.hpp"
#include "envelope/memo.hpp"
#include "envelope/settings.hpp"
#include "numeric/error.hpp"
#include "numeric/ridders.hpp"

namespace envelope {

namespace {

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// What a layout depends on besides the settings' generation: its arguments
// and the target, which moves within one generation.
struct layout_key {
    std::uint64_t generation, a, x0, xlimit;
    int n;
    bool operator==(const layout_key&) const = default;
};

// The last layout made. Once the calibration's bracket has closed to adjacent
// doubles it asks for the same area pass after pass, up to its pass cap.
memo<layout_key, std::vector<double>, 1> last_layout;

}  // namespace

double root1(residual_func func, double x0, double step, double area)
{
    double p = x0;
    for (;;) {
        const double next = p + step;
        // A probe that no longer moves (x0 huge or not a number) would search forever.
        if (!(next > p)) numeric::fatal("edge search stuck: the probe at x=%.17g does not advance", p);
        p = next;
        const double v = func(x0, p, area);
        if (v == 0.0) {
            // 1.01 * p lies left of p for p < 0 and would leave the zero unbracketed.
            return p >= 0 ? 1.01 * p : p;
        }
        if (v > 0) return p;
        if (p > Xlimit) return Xlimit + 1;
    }
}

double find_x(double x0, double a)
{
    if (x0 > Xlimit) return Xlimit + 1;
    const double hi = root1(g1_Deltax, x0, Acc_interval, a);
    const double lo = hi - Acc_interval;
    if (lo > Xlimit) return Xlimit + 1;
    const double r = numeric::zriddr(g1_Deltax, x0, lo, hi, Acc_ridders, a);
    // The root finder hands back its unset estimate when its square-root term
    // vanishes (residuals below ~1e-162); such an edge would stall the next search.
    if (!(r >= lo - Acc_interval && r <= hi + Acc_interval)) {
        numeric::fatal("edge search failed: root x=%.17g lies outside its bracket [%.17g, %.17g] for the bin from %.17g",
                       r, lo, hi, x0);
    }
    const double d0 = g1_Deltax(x0, r, a);
    const double d1 = g1_Deltax(x0, r + Acc_ridders, a);
    if ((d0 > 0 && d1 > 0) || (d0 < 0 && d1 < 0)) return r - Acc_ridders;
    return r;
}

void find_x_all(double a, double x[], int n)
{
    if (n <= 0) return;
    const layout_key key{settings_generation(), bits(a), bits(x[0]), bits(Xlimit), n};
    if (const std::vector<double>* known = last_layout.find(key)) {
        std::copy(known->begin(), known->end(), x + 1);
        return;
    }
    for (int i = 1; i <= n; ++i) x[i] = find_x(x[i - 1], a);
    last_layout.put(key).assign(x + 1, x + n + 1);
}

}  // namespace envelope
