#include "envelope/density.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "envelope/envelope.hpp"

namespace envelope {

double g1(double x)
{
    if (x < Xini || x > Xfin || std::isnan(x)) return 0.0;
    const double t = std::pow(x, static_cast<double>(M));
    const double r = std::sqrt(1 - x * x);
    return std::pow(r, H - 1) * t;
}

namespace {

// g1 at the point the stationary-point tables choose for [x0, x1].
double max_by_tables(double x0, double x1)
{
    if (M != 0) {
        const double m = M;
        const double xm = std::sqrt(m / ((m + H) - 1));
        if (x0 <= -xm && -xm <= x1) return g1(-xm);
        if (x0 <= xm && xm <= x1) return g1(xm);
        const double g0 = g1(x0);
        const double gx1 = g1(x1);
        return g0 > gx1 ? g0 : gx1;
    }
    // M = 0: the density falls with |x|, so 0 stands in for the stationary point.
    if (x1 <= 0) return g1(x1);
    if (x0 <= 0) return g1(0.0);
    return g1(x0);
}

}  // namespace

double g1_Deltax_max(double x0, double x1)
{
    if (Clip_maxima) return g1_max_in_domain(x0, x1);
    return max_by_tables(x0, x1);
}

double g1_max_in_domain(double x0, double x1)
{
    const double lo = x0 < Xini ? Xini : x0;
    const double hi = x1 > Xfin ? Xfin : x1;
    if (!(lo <= hi)) return 0.0;
    return max_by_tables(lo, hi);
}

double g1_Deltax(double x0, double x1, double area) { return g1_Deltax_max(x0, x1) * (x1 - x0) - area; }

void check_g_positive(double xini, double xfin)
{
    double x = xini;
    while (x <= xfin) {
        const double p = g1(x);
        if (p < -1e-10) {
            std::printf("for x=%f we get P(x)=%e <0 !, P must be >=0\n", x, p);
            std::exit(-1);
        }
        const double next = x + (xfin - xini) / 10000;
        // A step too small for x (or an infinite x) would never end the scan.
        if (next == x) return;
        x = next;
    }
}

}  // namespace envelope
