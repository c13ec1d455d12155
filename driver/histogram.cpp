#include "driver/histogram.hpp"

#include <cstdio>
#include <string>

#include "envelope/calibration.hpp"
#include "envelope/corrections.hpp"
#include "envelope/density.hpp"
#include "envelope/envelope.hpp"
#include "envelope/recalibration.hpp"
#include "envelope/soundness.hpp"
#include "numeric/error.hpp"
#include "numeric/romberg.hpp"

namespace driver {

Histogram build_histogram(int ihist, int n, double xini, double xfin, double x[], double f1[],
                          bool recalibrate_unsound)
{
    using namespace envelope;
    Clip_maxima = false;
    // A sound envelope has no bin below its maximum, so holding the warnings
    // back hides only those of envelopes that are replaced or refused.
    Warn_low_bins = !recalibrate_unsound;

    Xlimit = xfin + 0.5 / n;
    x[0] = xini;
    x[n] = xfin;
    const double a0 = numeric::qromb(g1, xini, xfin) / n;
    double a = find_a(a0, x, n);
    double factor = corrections(x, f1, &a, n);

    bool recalibrated = false;
    std::string why;
    if (recalibrate_unsound && !table_is_sound(x, f1, a, factor, n, &why)) {
        std::fprintf(stderr, "!!! table recalibrated: %s\n", why.c_str());
        factor = recalibrate(a0, x, f1, &a, n);
        if (!table_is_sound(x, f1, a, factor, n, &why)) numeric::fatal("!!! no sound table can be made: %s", why.c_str());
        recalibrated = true;
    }
    Warn_low_bins = true;

    const double loss = (a / a0 - 1) * 100.0;
    std::printf("Histogram=%d, H=%f, M=%d, loss=%f%% \n", ihist, H, M, loss);
    return {a, loss, factor, recalibrated};
}

}  // namespace driver
