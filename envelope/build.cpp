#include "envelope/build.hpp"

#include <bit>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "envelope/specified/calibration.hpp"
#include "envelope/specified/corrections.hpp"
#include "envelope/parameters.hpp"
#include "envelope/specified/positivity.hpp"
#include "envelope/specified/recalibration.hpp"
#include "envelope/specified/settings.hpp"
#include "envelope/soundness.hpp"
#include "envelope/tight/tight.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"

namespace envelope {

namespace {

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

built build(const answers& given, mode m, build_observer* observer)
{
    const double H = given.H(), xini = given.xini(), xfin = given.xfin();
    const int M = given.M(), n = given.n();

    settings s = for_density(H, M, xini, xfin);
    s.Xlimit = xfin + 0.5 / n;
    s.Observer = observer;

    check_g_positive(s, xini, xfin);
    refuse_unevaluable_H(H);
    built t;
    std::string why;
    if (m == mode::tight) {
        report_progress(observer, progress_event::begin);
        t = build_tight(H, M, xini, xfin, n, observer);
        report_progress(observer, progress_event::end);
        // What the file will hold is what a reader will draw from.
        if (!table_is_valid(H, M, xini, xfin, t.table.edges.data(), t.table.a, t.table.loss, n, &why))
            no_sound_table(s, n, why);
    } else {
        state st(s);
        t = calibrated_table(st, n);
        if (!table_is_sound(H, M, xini, xfin, t.table.edges.data(), t.table.a, t.table.loss, t.factor, n, &why)) {
            // A table whose only fault is its correction factor can still be
            // sampled from; at a few bins it may already be the better one.
            std::string fault;
            std::optional<built> first;
            if (table_is_valid(H, M, xini, xfin, t.table.edges.data(), t.table.a, t.table.loss, n, &fault)) first = t;
            double* x = t.table.edges.data();
            t.factor = recalibrate(st, t.a0, x, t.f1.data(), &t.table.a, n, &t.low_bins);
            t.table.loss = (t.table.a / t.a0 - 1) * 100.0;
            std::string still;
            const bool sound = table_is_sound(H, M, xini, xfin, x, t.table.a, t.table.loss, t.factor, n, &still);
            if (!sound && !first) no_sound_table(s, n, still);
            if (first && (!sound || first->table.a <= t.table.a)) {
                t = std::move(*first);
            } else {
                if (observer != nullptr) observer->recalibrating(why.c_str());
                t.recalibrated = true;
                t.why = why;
            }
        }
        // A sound envelope has no bin below its maximum: the warnings are for
        // tables nobody checked.
        t.low_bins.clear();
        t.x_end = t.table.edges[n];
    }
    t.table.H = H;
    t.table.M = M;
    t.table.xini = xini;
    t.table.xfin = xfin;
    t.table.edges[n] = xfin;  // as a reader of the table file sees it
    return t;
}

}  // namespace envelope
