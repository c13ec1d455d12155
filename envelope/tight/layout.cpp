#include "envelope/tight/layout.hpp"

#include <cmath>
#include <limits>

#include "envelope/tight/edge.hpp"

namespace envelope::tight {

namespace {

// The start z in [lo, hi] of a bin that just reaches xfin, where the bin from lo
// falls short of it and the one from hi reaches it: the layout's count of bins
// is then a whole number exactly when its second-last edge lies on z.
double threshold(const density& d, double t, double lo, double g_lo, double hi, double g_hi)
{
    // The area of the bin from z to xfin beyond t: positive where it falls short of xfin.
    const auto over = [&](double z, double gz) { return (d.xfin - z) * d.max_on(z, gz, d.xfin, d.at_xfin) - t; };
    double f_lo = over(lo, g_lo);
    double f_hi = over(hi, g_hi);
    if (!(f_lo > 0)) return lo;
    if (!(f_hi < 0)) return hi;
    const double close = 1e-12 * (hi - lo);
    int side = 0;
    for (int step = 0; step < 100 && hi - lo > close; ++step) {
        double z = lo + f_lo * (hi - lo) / (f_lo - f_hi);
        if (!(z > lo && z < hi)) z = lo + (hi - lo) / 2;
        const double f = over(z, d(z));
        if (std::fabs(f) <= 1e-12 * t) return z;
        if (f > 0) {
            lo = z, f_lo = f;
            if (side > 0) f_hi /= 2;
            side = 1;
        } else {
            hi = z, f_hi = f;
            if (side < 0) f_lo /= 2;
            side = -1;
        }
    }
    return lo + (hi - lo) / 2;
}

}  // namespace

void lay_out(const density& d, double s, int cap, double first_guess, layout* out)
{
    const double a = s * margin;
    const double t = s * (1 - shortfall);
    out->x[0] = d.xini;
    out->g[0] = d.at_xini;
    out->edges = 0;
    out->reached = false;
    out->bins = std::numeric_limits<double>::infinity();
    double width = first_guess;
    for (int k = 1; k <= cap; ++k) {
        const double x0 = out->x[k - 1];
        const double g0 = out->g[k - 1];
        const edge e = next_edge(d, s, a, x0, g0, guess_width(d, x0, g0, t, width));
        if (!(e.x > x0)) return;  // no double fits one more bin
        out->x[k] = e.x;
        out->g[k] = e.g;
        out->edges = k;
        if (e.x >= d.xfin) {
            out->reached = true;
            if (k == 1) {
                out->bins = (d.xfin - x0) / e.width;
            } else {
                const double before = out->x[k - 2];
                out->bins = k - (x0 - threshold(d, t, before, out->g[k - 2], x0, g0)) / (x0 - before);
            }
            return;
        }
        width = e.x - x0;
    }
    // Past the cap: the rest in the last bin's width.
    if (out->edges == cap) out->bins = cap + (d.xfin - out->x[cap]) / (out->x[cap] - out->x[cap - 1]);
}

}  // namespace envelope::tight
