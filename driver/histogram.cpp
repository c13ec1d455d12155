#include "driver/histogram.hpp"

#include <cstdio>

#include "envelope/calibration.hpp"
#include "envelope/corrections.hpp"
#include "envelope/density.hpp"
#include "envelope/envelope.hpp"
#include "numeric/romberg.hpp"

namespace driver {

Histogram build_histogram(int ihist, int n, double xini, double xfin, double x[], double f1[])
{
    using namespace envelope;
    Xlimit = xfin + 0.5 / n;
    x[0] = xini;
    x[n] = xfin;
    const double a0 = numeric::qromb(g1, xini, xfin) / n;
    double a = find_a(a0, x, n);
    corrections(x, f1, &a, n);
    const double loss = (a / a0 - 1) * 100.0;
    std::printf("Histogram=%d, H=%f, M=%d, loss=%f%% \n", ihist, H, M, loss);
    return {a, loss};
}

}  // namespace driver
