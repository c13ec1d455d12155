#include "envelope/corrections.hpp"

#include <cstdio>

#include "envelope/density.hpp"
#include "envelope/envelope.hpp"
#include "envelope/settings.hpp"

namespace envelope {

namespace {
constexpr double margin = 1.001;
}

double corrections(double x[], double f1[], double* a, int n)
{
    move_Xlimit(Xlimit - 0.5 / n);
    x[n] = Xlimit;
    const double r = *a / (x[n] - x[n - 1]);
    const double m = g1_Deltax_max(x[n - 1], x[n]);
    const double factor = r > m ? margin : (m * margin) / r;
    *a = *a * factor;
    for (int i = 0; i < n; ++i) {
        f1[i] = *a / (x[i + 1] - x[i]);
        const double mi = g1_Deltax_max(x[i], x[i + 1]);
        if (mi > f1[i] && Warn_low_bins) std::fprintf(stderr, "!!! for f1[%d]=%f <max=%f on [%f,%f]\n", i, f1[i], mi, x[i], x[i + 1]);
    }
    return factor;
}

}  // namespace envelope
