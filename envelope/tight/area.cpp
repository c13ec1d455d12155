#include "envelope/tight/area.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "numeric/digits.hpp"
#include "numeric/error.hpp"

namespace envelope::tight {

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// A calibration probe: a trial v = integral / area and the bins its layout needs.
struct probe {
    double v;
    double bins;
    double weight;  // Illinois damping while this end of the bracket is kept
};

// Where the line through two probes meets the aim.
double secant(const probe& p, const probe& q, double aim)
{
    const double fp = (p.bins - aim) * p.weight;
    const double fq = (q.bins - aim) * q.weight;
    return p.v - fp * (q.v - p.v) / (fq - fp);
}

}  // namespace

// v is about the bins' count if each held its area exactly, so the bins needed
// grow with it at nearly unit slope: secant steps along one side, Illinois
// regula falsi across, bisection when the bracket stops halving.
double calibrate(const density& d, double total, int n, build_observer* observer, layout* best)
{
    constexpr int max_layouts = 100;
    const int cap = n + n / 2 + 64;
    const double band = 1e-6 * n;  // bins short of n that a layout may leave unused
    const double aim = n - band / 2;
    layout trial;
    layout* lay = &trial;
    for (layout* l : {best, lay}) l->x.resize(cap + 1), l->g.resize(cap + 1);

    probe fitting{0, 0, 1};  // makes at most n bins; v = 0, an infinite area, makes one
    probe crowded{inf, inf, 1};  // needs more than n bins
    probe previous{};
    bool previous_fit = false;
    int last_side = 0;
    double bracket_before[3] = {inf, inf, inf};  // the bracket's width over the last three layouts
    double first_width = (d.xfin - d.xini) / n;
    double first_area = total / n;
    double v = n;
    int layouts = 0;
    while (layouts < max_layouts) {
        const double s = total / v;
        lay_out(d, s, cap, first_width * (s / first_area), lay);
        ++layouts;
        if (lay->edges >= 1) first_width = lay->x[1] - d.xini, first_area = s;
        report_progress(observer, progress_event::pass, "fitting the bin area", layouts,
                        std::fabs(lay->bins - n) * (d.xfin - d.xini) / n);

        const bool fit = lay->reached && lay->edges <= n;
        const probe here{v, lay->bins, 1};
        if (fit) {
            if (last_side < 0) crowded.weight /= 2;
            fitting = here;
            last_side = -1;
            std::swap(*best, *lay);
            if (best->edges == n && best->bins > n - band) break;
        } else {
            if (last_side > 0) fitting.weight /= 2;
            crowded = here;
            last_side = 1;
        }
        const bool bracketed = fitting.v > 0 && crowded.v < inf;
        const double width = crowded.v - fitting.v;
        if (bracketed && width <= 1e-6 * crowded.v) break;

        double next = nan;
        if (layouts > 1 && previous_fit == fit) {
            next = secant(previous, here, aim);
            // Where the count creeps towards n, at least double the step until it is bracketed.
            const double stride = 2 * (v - previous.v);
            const bool creeping = std::fabs(here.bins - aim) > std::fabs(previous.bins - aim) / 2;
            const bool ahead = next > fitting.v && next < crowded.v && std::fabs(next - v) >= std::fabs(stride);
            if (!bracketed && creeping && !ahead) next = v + stride;
        } else if (bracketed) {
            next = secant(fitting, crowded, aim);
        }
        previous = here;
        previous_fit = fit;
        if (bracketed && (!(next > fitting.v && next < crowded.v) || width > bracket_before[2] / 2)) {
            next = fitting.v + width / 2;
        }
        bracket_before[2] = bracket_before[1];
        bracket_before[1] = bracket_before[0];
        bracket_before[0] = width;
        if (!(next > fitting.v && next < crowded.v)) {
            if (crowded.v < inf) {
                next = std::isfinite(crowded.bins) ? crowded.v - (crowded.bins - aim) : crowded.v / 2;
                if (!(next > 0)) next = std::isfinite(crowded.bins) ? crowded.v * n / crowded.bins : crowded.v / 2;
            } else {
                next = std::max(fitting.v + (aim - fitting.bins), 2 * fitting.v);
            }
        }
        if (!(next > fitting.v && next < crowded.v)) break;
        v = next;
    }
    if (!(fitting.v > 0)) {
        numeric::fatal("no sound table: no common area lays %d bins over [%s, %s] with H=%s, M=%d", n,
                       numeric::shortest(d.xini).c_str(), numeric::shortest(d.xfin).c_str(),
                       numeric::shortest(d.law.H).c_str(), d.law.M);
    }
    return fitting.v;
}

}  // namespace envelope::tight
