#include "envelope/tight/density.hpp"

#include "envelope/parameters.hpp"

namespace envelope::tight {

density make_density(const sin_cos::detail::shape& law, double xini, double xfin)
{
    density d;
    d.law = law;
    d.xini = xini;
    d.xfin = xfin;
    double stationary[2];
    const int count = d.law.stationary_points(stationary);
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
