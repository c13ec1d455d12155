#include "envelope/tight_density.hpp"

#include "numeric/error.hpp"

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
        const double md = m;
        const double xm = std::sqrt(md / ((md + h) - 1));
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
    d.box = m == 0 && std::exp(-log_step(h)) == 0;
    return d;
}

void refuse_steps(const density& d)
{
    const double drop = log_step(d.h);
    if (drop > max_log_step && !d.box) {
        numeric::fatal("no sound table: H=%.17g is too large, the density drops by %.3g%% between neighbouring doubles "
                       "near 0 and its stationary points no longer give its maxima",
                       d.h, -std::expm1(-drop) * 100);
    }
}

}  // namespace envelope::tight
