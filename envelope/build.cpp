#include "envelope/build.hpp"

#include <optional>
#include <utility>

#include "envelope/calibration.hpp"
#include "envelope/corrections.hpp"
#include "envelope/density.hpp"
#include "envelope/parameters.hpp"
#include "envelope/recalibration.hpp"
#include "envelope/settings.hpp"
#include "envelope/soundness.hpp"
#include "envelope/tight.hpp"
#include "numeric/error.hpp"
#include "numeric/romberg.hpp"

namespace envelope {

namespace {

// The tight calibration reports its layouts to the same hook as the others.
void tight_pass(int layouts, double distance)
{
    report_progress(progress_event::pass, "fitting the bin area", layouts, distance);
}

table build_tight_table(double H, int M, double xini, double xfin, int n)
{
    report_progress(progress_event::begin);
    tight_table tight = build_tight(H, M, xini, xfin, n, Progress != nullptr ? tight_pass : nullptr);
    report_progress(progress_event::end);
    table t;
    t.x = std::move(tight.x);
    t.f1 = std::move(tight.f1);
    t.a = tight.a;
    t.a0 = tight.a0;
    t.factor = tight.factor;
    t.loss = (t.a / t.a0 - 1) * 100.0;
    return t;
}

}  // namespace

table build(double H, int M, double xini, double xfin, int n, mode m, const build_observer& observer,
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
    refuse_unevaluable_H(H, M);
    if (m == mode::tight) return build_tight_table(H, M, xini, xfin, n);

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
        // A table whose only fault is its correction factor can still be
        // sampled from; at a few bins it may already be the better one.
        std::string fault;
        std::optional<table> first;
        if (table_is_valid(x, f1, t.a, n, &fault)) first = t;
        t.factor = recalibrate(t.a0, x, f1, &t.a, n);
        std::string still;
        if (!table_is_sound(x, f1, t.a, t.factor, n, &still)) numeric::fatal("!!! no sound table can be made: %s", still.c_str());
        if (first && first->a <= t.a) {
            t = std::move(*first);
            t.why.clear();
        } else {
            if (observer.recalibrating != nullptr) observer.recalibrating(t.why.c_str());
            t.recalibrated = true;
        }
    }

    t.loss = (t.a / t.a0 - 1) * 100.0;
    return t;
}

}  // namespace envelope
