#include "envelope/tight/density.hpp"

#include "envelope/parameters.hpp"

namespace envelope::tight {

density make_density(double h, int m, double xini, double xfin)
{
    density d;
    d.h = h;
    d.m = m;
    d.xini = xini;
    d.xfin = xfin;
    double stationary[2];
    int count = 0;
    if (m == 0) {
        stationary[count++] = 0.0;
    } else {
        const double xm = sin_cos::detail::stationary_point(h, m);
        stationary[count++] = -xm;
        stationary[count++] = xm;
    }
    for (int i = 0; i < count; ++i) {
        if (xini <= stationary[i] && stationary[i] <= xfin) {
            d.peak[d.peaks] = stationary[i];
            d.at_peak[d.peaks] = d(stationary[i]);
            ++d.peaks;
        }
    }
    d.at_xini = d(xini);
    d.at_xfin = d(xfin);
    return d;
}

}  // namespace envelope::tight
