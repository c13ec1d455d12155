#include "envelope/build.hpp"

#include "envelope/calibration.hpp"
#include "envelope/corrections.hpp"
#include "envelope/density.hpp"
#include "envelope/parameters.hpp"
#include "envelope/recalibration.hpp"
#include "envelope/settings.hpp"
#include "envelope/soundness.hpp"
#include "numeric/error.hpp"
#include "numeric/romberg.hpp"

namespace envelope {

table build(double H, int M, double xini, double xfin, int n, mode, const build_observer& observer,
            bool recalibrate_unsound)
{
    refuse_bad_parameters(n, xini, xfin);
    refuse_bad_exponents(H, M);

    settings s = for_density(H, M, xini, xfin);
    s.Xlimit = xfin + 0.5 / n;
    // A sound envelope has no bin below its maximum, so holding the warnings
    // back hides only those of envelopes that are replaced or refused.
    s.Warn_low_bins = !recalibrate_unsound;
    s.Progress = observer.progress;
    const settings_guard guard(s);

    check_g_positive(xini, xfin);

    table t;
    t.x.assign(n + 1, 0.0);
    t.f1.assign(n, 0.0);
    double* x = t.x.data();
    double* f1 = t.f1.data();
    x[0] = xini;
    x[n] = xfin;
    t.a0 = numeric::qromb(g1, xini, xfin) / n;
    t.a = find_a(t.a0, x, n);
    t.factor = corrections(x, f1, &t.a, n);

    if (recalibrate_unsound && !table_is_sound(x, f1, t.a, t.factor, n, &t.why)) {
        if (observer.recalibrating != nullptr) observer.recalibrating(t.why.c_str());
        t.factor = recalibrate(t.a0, x, f1, &t.a, n);
        std::string still;
        if (!table_is_sound(x, f1, t.a, t.factor, n, &still)) numeric::fatal("!!! no sound table can be made: %s", still.c_str());
        t.recalibrated = true;
    }

    t.loss = (t.a / t.a0 - 1) * 100.0;
    return t;
}

}  // namespace envelope
