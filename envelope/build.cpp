#include "envelope/build.hpp"

#include <bit>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "envelope/specified/calibration.hpp"
#include "envelope/specified/corrections.hpp"
#include "envelope/specified/density.hpp"
#include "envelope/parameters.hpp"
#include "envelope/specified/positivity.hpp"
#include "envelope/specified/recalibration.hpp"
#include "envelope/specified/settings.hpp"
#include "envelope/soundness.hpp"
#include "envelope/tight/tight.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"
#include "numeric/romberg.hpp"

namespace envelope {

namespace {

table build_tight_table(const settings& s, int n)
{
    report_progress(s.Observer, progress_event::begin);
    tight_table tight = build_tight(s.H, s.M, s.Xini, s.Xfin, n, s.Observer);
    report_progress(s.Observer, progress_event::end);
    table t;
    t.x = std::move(tight.x);
    t.f1 = std::move(tight.f1);
    t.a = tight.a;
    t.a0 = tight.a0;
    t.factor = tight.factor;
    t.loss = (t.a / t.a0 - 1) * 100.0;
    return t;
}

double loss_of(const table& t) { return (t.a / t.a0 - 1) * 100.0; }

// The order of a double among the doubles, as an integer.
std::int64_t order(double x)
{
    const auto b = std::bit_cast<std::int64_t>(x);
    return b >= 0 ? b : std::numeric_limits<std::int64_t>::min() - b;
}

[[noreturn]] void no_sound_table(const settings& s, int n, const std::string& why)
{
    // An interval of a few doubles per bin leaves the edges no room: say so.
    std::string room;
    const std::int64_t doubles = order(s.Xfin) - order(s.Xini) + 1;
    if (doubles < 1000 * static_cast<std::int64_t>(n))
        room = " (the interval [" + numeric::shortest(s.Xini) + ", " + numeric::shortest(s.Xfin) + "] holds " +
               std::to_string(doubles) + " doubles for n=" + std::to_string(n) + " bins)";
    numeric::fatal("!!! no sound table can be made: %s%s", why.c_str(), room.c_str());
}

}  // namespace

table build(double H, int M, double xini, double xfin, int n, mode m, build_observer* observer,
            bool recalibrate_unsound)
{
    refuse_bad_answers(H, M, xini, xfin, n);

    settings s = for_density(H, M, xini, xfin);
    s.Xlimit = xfin + 0.5 / n;
    s.Observer = observer;

    check_g_positive(s, xini, xfin);
    refuse_unevaluable_H(H);
    if (m == mode::tight) {
        table t = build_tight_table(s, n);
        // What the file will hold is what a reader will draw from.
        std::string why;
        if (!table_is_valid(H, M, xini, xfin, t.x.data(), t.a, t.loss, n, &why)) no_sound_table(s, n, why);
        return t;
    }

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
    t.loss = loss_of(t);

    if (recalibrate_unsound && !table_is_sound(H, M, xini, xfin, x, t.a, t.loss, t.factor, n, &t.why)) {
        // A table whose only fault is its correction factor can still be
        // sampled from; at a few bins it may already be the better one.
        std::string fault;
        std::optional<table> first;
        if (table_is_valid(H, M, xini, xfin, x, t.a, t.loss, n, &fault)) first = t;
        t.factor = recalibrate(st, t.a0, x, f1, &t.a, n, &low);
        t.loss = loss_of(t);
        std::string still;
        const bool sound = table_is_sound(H, M, xini, xfin, x, t.a, t.loss, t.factor, n, &still);
        if (!sound && !first) no_sound_table(s, n, still);
        if (first && (!sound || first->a <= t.a)) {
            t = std::move(*first);
            t.why.clear();
        } else {
            if (observer != nullptr) observer->recalibrating(t.why.c_str());
            t.recalibrated = true;
        }
    }
    // A sound envelope has no bin below its maximum, so only a table left
    // unchecked can have any to report.
    if (!recalibrate_unsound) t.low_bins = std::move(low);
    return t;
}

}  // namespace envelope
