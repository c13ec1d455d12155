#include "envelope/build.hpp"

#include <optional>
#include <utility>

#include "envelope/calibration.hpp"
#include "envelope/corrections.hpp"
#include "envelope/density.hpp"
#include "envelope/parameters.hpp"
#include "envelope/positivity.hpp"
#include "envelope/recalibration.hpp"
#include "envelope/settings.hpp"
#include "envelope/soundness.hpp"
#include "envelope/tight.hpp"
#include "numeric/error.hpp"
#include "numeric/romberg.hpp"

namespace envelope {

namespace {

table build_tight_table(const settings& s, int n)
{
    const progress_hook hook = s.Progress;
    report_progress(hook, progress_event::begin);
    tight_progress passes;
    if (hook != nullptr) {
        // The tight calibration reports its layouts to the same hook as the others.
        passes = [hook](int layouts, double distance) {
            report_progress(hook, progress_event::pass, "fitting the bin area", layouts, distance);
        };
    }
    tight_table tight = build_tight(s.H, s.M, s.Xini, s.Xfin, n, passes);
    report_progress(hook, progress_event::end);
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
    refuse_bad_answers(H, M, xini, xfin, n);

    settings s = for_density(H, M, xini, xfin);
    s.Xlimit = xfin + 0.5 / n;
    s.Progress = observer.progress;

    check_g_positive(s, xini, xfin);
    refuse_unevaluable_H(H, M);
    if (m == mode::tight) return build_tight_table(s, n);

    state st(s);
    table t;
    t.x.assign(n + 1, 0.0);
    t.f1.assign(n, 0.0);
    double* x = t.x.data();
    double* f1 = t.f1.data();
    x[0] = xini;
    x[n] = xfin;
    t.a0 = numeric::qromb([&st](double v) { return g1(st, v); }, xini, xfin) / n;
    t.a = find_a(st, t.a0, x, n);
    std::vector<low_bin> low;
    t.factor = corrections(st, x, f1, &t.a, n, &low);

    if (recalibrate_unsound && !table_is_sound(st, x, f1, t.a, t.factor, n, &t.why)) {
        // A table whose only fault is its correction factor can still be
        // sampled from; at a few bins it may already be the better one.
        std::string fault;
        std::optional<table> first;
        if (table_is_valid(st, x, f1, t.a, n, &fault)) first = t;
        t.factor = recalibrate(st, t.a0, x, f1, &t.a, n, &low);
        std::string still;
        if (!table_is_sound(st, x, f1, t.a, t.factor, n, &still)) numeric::fatal("!!! no sound table can be made: %s", still.c_str());
        if (first && first->a <= t.a) {
            t = std::move(*first);
            t.why.clear();
        } else {
            if (observer.recalibrating != nullptr) observer.recalibrating(t.why.c_str());
            t.recalibrated = true;
        }
    }
    // A sound envelope has no bin below its maximum, so only a table left
    // unchecked can have any to report.
    if (!recalibrate_unsound) t.low_bins = std::move(low);

    t.loss = (t.a / t.a0 - 1) * 100.0;
    return t;
}

}  // namespace envelope
