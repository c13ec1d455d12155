#include "envelope/build.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "envelope/classic/calibration.hpp"
#include "envelope/classic/corrections.hpp"
#include "envelope/parameters.hpp"
#include "envelope/classic/positivity.hpp"
#include "envelope/classic/recalibration.hpp"
#include "envelope/classic/settings.hpp"
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

// A table below the floor on the acceptance rate: told with what clears it,
// once the build that found it has ended.
class slow_table : public numeric::failure {
public:
    slow_table(double rate, const std::string& what)
        : numeric::failure(numeric::failure_kind::numerical, what, true), rate_(rate)
    {
    }
    double rate() const { return rate_; }

private:
    double rate_;
};

[[noreturn]] void no_sound_table(const settings& s, int n, const sin_cos::detail::fault& why)
{
    if (why.slow_rate > 0) throw slow_table(why.slow_rate, why.what);
    // An interval of a few doubles per bin leaves the edges no room: say so.
    std::string room;
    const std::int64_t doubles = order(s.Xfin) - order(s.Xini) + 1;
    if (doubles < 1000 * static_cast<std::int64_t>(n))
        room = " (the interval [" + numeric::shortest(s.Xini) + ", " + numeric::shortest(s.Xfin) + "] holds " +
               std::to_string(doubles) + " doubles for n=" + std::to_string(n) + " bins)";
    numeric::fail(numeric::failure_kind::numerical, true, "no sound table can be made: %s%s", why.what.c_str(),
                  room.c_str());
}

std::optional<sin_cos::detail::fault> sound_fault(const built& t, double H, int M, double xini, double xfin, int n)
{
    if (!(t.factor <= max_sound_factor)) {
        char text[120];
        std::snprintf(text, sizeof text, "correction factor %g exceeds 2: the calibration missed its target", t.factor);
        return sin_cos::detail::fault{false, 0, text};
    }
    return table_fault(H, M, xini, xfin, t.table.edges.data(), t.table.a, t.table.loss, n);
}

built build_once(const answers& given, mode m, build_observer* observer)
{
    const double H = given.H(), xini = given.xini(), xfin = given.xfin();
    const int M = given.M(), n = given.n();

    settings s = for_density({H, M}, xini, xfin);
    s.Xlimit = calibration_target(xfin, n);
    s.Observer = observer;

    // The classic construction's scan for a negative density: x^M with M even
    // and a power of sqrt(1 - x^2) never are, so it cannot refuse answers that
    // passed their check, and the tight construction, which the lower-loss
    // hint builds beside every default build, does without its cost (as much
    // as a table of a few hundred bins).
    if (m != mode::tight) check_g_positive(s, xini, xfin);
    refuse_unevaluable_H(H);
    built t;
    if (m == mode::tight) {
        report_progress(observer, progress_event::begin);
        t = build_tight({H, M}, xini, xfin, n, observer);
        report_progress(observer, progress_event::end);
        // What the file will hold is what a reader will draw from.
        if (const auto why = table_fault(H, M, xini, xfin, t.table.edges.data(), t.table.a, t.table.loss, n))
            no_sound_table(s, n, *why);
    } else {
        state st(s);
        t = calibrated_table(st, n);
        if (const auto why = sound_fault(t, H, M, xini, xfin, n)) {
            // A table whose only fault is its correction factor can still be
            // sampled from; at a few bins it may already be the better one.
            const auto first_fault = table_fault(H, M, xini, xfin, t.table.edges.data(), t.table.a, t.table.loss, n);
            std::optional<built> first;
            if (!first_fault) first = t;
            std::optional<sin_cos::detail::fault> still;
            try {
                double* x = t.table.edges.data();
                t.factor = recalibrate(st, t.a0, x, t.f1.data(), &t.table.a, n, &t.low_bins);
                t.table.loss = (t.table.a / t.a0 - 1) * 100.0;
                still = sound_fault(t, H, M, xini, xfin, n);
            } catch (const numeric::failure&) {
                // The first table stands where there is one; a table too slow
                // to draw from is told as such.
                if (!first && !(first_fault && first_fault->slow_rate > 0)) throw;
                still = first_fault ? first_fault : why;
            }
            const bool sound = !still;
            if (!sound && !first) no_sound_table(s, n, first_fault->slow_rate > 0 ? *first_fault : *still);
            if (first && (!sound || first->table.a <= t.table.a)) {
                t = std::move(*first);
            } else {
                if (observer != nullptr) observer->recalibrating(why->what.c_str());
                t.recalibrated = true;
                t.why = why->what;
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

std::string roughly(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2g", v);
    return text;
}

// A rate below the floor in two digits, or in as many as keep it below.
std::string below_floor(double rate)
{
    const std::string text = roughly(rate);
    return std::strtod(text.c_str(), nullptr) < sin_cos::detail::min_acceptance ? text : numeric::shortest(rate);
}

}  // namespace

std::optional<int> bins_for_rate(double H, int M, double xini, double xfin, int from)
{
    // Whether the --tight table of k bins is one a reader draws from.
    const auto clears = [&](int k) {
        try {
            build_once(check_answers(H, M, xini, xfin, k), mode::tight, nullptr);
            return true;
        } catch (const numeric::failure&) {
            return false;
        }
    };
    from = std::max(from, 1);
    if (from > max_bins) return std::nullopt;
    int below = from - 1;  // the most bins known not to clear, 0 for none
    int above = from;
    while (!clears(above)) {
        if (above == max_bins) return std::nullopt;
        below = above;
        above = std::min(max_bins, 2 * above);
    }
    while (above - below > 1) {
        const int middle = below + (above - below) / 2;
        if (clears(middle)) above = middle;
        else below = middle;
    }
    return above;
}

built build(const answers& given, mode m, build_observer* observer)
{
    try {
        return build_once(given, m, observer);
    } catch (const slow_table& slow) {
        const int n = given.n();
        std::string said = "no sound table can be made: n=" + std::to_string(n) + " gives an acceptance rate of " +
                           below_floor(slow.rate()) + ", below " + roughly(sin_cos::detail::min_acceptance) +
                           " (a draw would take about " + roughly(1 / slow.rate()) + " proposals): ";
        // The default calibration's rate does not grow with n (H = 1e12 on
        // [0, 1]: 0.6 at n = 10, 1.7e-9 at n = 1000, 0.77 at n = 1500): the
        // hint is what --tight needs, whose rate does.
        const auto enough = bins_for_rate(given.H(), given.M(), given.xini(), given.xfin(), m == mode::tight ? n + 1 : 1);
        if (!enough) said += "no n up to " + std::to_string(max_bins) + " clears it";
        else if (m == mode::tight) said += "use at least " + std::to_string(*enough) + " bins";
        else said += "with --tight, n=" + std::to_string(*enough) + " or more bins clear it";
        throw numeric::failure(numeric::failure_kind::numerical, said, true);
    }
}

}  // namespace envelope
