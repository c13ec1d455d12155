#include "envelope/classic/positivity.hpp"

#include "envelope/classic/density.hpp"
#include "numeric/error.hpp"

namespace envelope {

void check_g_positive(const settings& s, double xini, double xfin)
{
    double x = xini;
    while (x <= xfin) {
        const double p = g1(s, x);
        if (p < -1e-10) numeric::refuse("for x=%f we get P(x)=%e <0 !, P must be >=0", x, p);
        const double next = x + (xfin - xini) / 10000;
        // A step too small for x (or an infinite x) would never end the scan.
        if (next == x) return;
        x = next;
    }
}

}  // namespace envelope
