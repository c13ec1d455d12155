#include "envelope/classic/recalibration.hpp"

#include <algorithm>
#include <cmath>

#include "envelope/classic/corrections.hpp"
#include "envelope/classic/edges.hpp"
#include "envelope/classic/state.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"

namespace envelope {

namespace {

constexpr double scale = area_scale;
constexpr int max_bracket_passes = 400;  // 1.2^400 spans 1e31: far beyond any sane starting area
constexpr int max_bisections = 64;       // the bracket reaches adjacent doubles well before this
constexpr double last_edge_fraction = 0.01;

bool reaches(const state& st, const double x[], int n) { return x[n] >= st.Xlimit; }

// Edge tolerance: fine against the mean bin width, never below a few ulps of
// the domain's ends, where the root finder could no longer shrink its bracket.
double edge_tolerance(const settings& s, int n)
{
    const double width_based = 1e-6 * ((s.Xfin - s.Xini) / n);
    const double magnitude = std::max(std::fabs(s.Xini), std::fabs(s.Xfin));
    const double ulps = 8 * (std::nextafter(magnitude, INFINITY) - magnitude);
    return std::min(1e-8, std::max(width_based, ulps));
}

// Brackets and bisects the area under the search settings; x keeps the
// layout of the returned area, which reaches the domain end.
double search_area(double a0, double x[], int n, const settings& search)
{
    state st(search);
    constexpr const char* stage = "recalibrating the bin area";
    int layouts = 0;
    report_progress(st.Observer, progress_event::begin);
    double area = a0;
    find_x_all(st, area, x, n);
    report_progress(st.Observer, progress_event::pass, stage, ++layouts, std::fabs(x[n] - st.Xlimit));
    const bool first_reaches = reaches(st, x, n);
    double lo = 0.0;
    double hi = 0.0;
    for (int pass = 0;; ++pass) {
        const double next = first_reaches ? area / scale : area * scale;
        if (pass == max_bracket_passes || next == area || !std::isfinite(next) || !(next > 0)) {
            numeric::fail(numeric::failure_kind::numerical, true,
                          "no sound table can be made: no bin area brackets the domain end %s (area %s)",
                          numeric::shortest(st.Xfin).c_str(), numeric::shortest(area).c_str());
        }
        const double previous = area;
        area = next;
        find_x_all(st, area, x, n);
        report_progress(st.Observer, progress_event::pass, stage, ++layouts, std::fabs(x[n] - st.Xlimit));
        if (reaches(st, x, n) != first_reaches) {
            // The ends are the two areas actually laid out, not a product recomputed.
            lo = first_reaches ? area : previous;
            hi = first_reaches ? previous : area;
            break;
        }
    }

    // Bisect, keeping lo short of the domain end and hi reaching it.
    bool x_holds_hi = !first_reaches;
    for (int pass = 0; pass < max_bisections; ++pass) {
        const double mid = lo + (hi - lo) / 2;
        if (!(mid > lo && mid < hi)) break;
        find_x_all(st, mid, x, n);
        report_progress(st.Observer, progress_event::pass, stage, ++layouts, std::fabs(x[n] - st.Xlimit));
        if (reaches(st, x, n)) {
            hi = mid;
            x_holds_hi = true;
            if (x[n] - st.Xlimit <= last_edge_fraction * (x[n] - x[n - 1])) break;
        } else {
            lo = mid;
            x_holds_hi = false;
        }
    }
    // The layout of hi ends at or past the domain end, so pinning its last
    // edge only narrows the last bin and the margin stays 1.001.
    if (!x_holds_hi) find_x_all(st, hi, x, n);
    report_progress(st.Observer, progress_event::end);
    return hi;
}

}  // namespace

double recalibrate(const settings& first, double a0, double x[], double f1[], double* a, int n,
                   std::vector<low_bin>* low)
{
    settings sound = first;
    sound.Clip_maxima = true;
    sound.Xlimit = calibration_target(sound.Xfin, n);
    settings search = sound;
    search.Xlimit = sound.Xfin;
    search.Acc_ridders = edge_tolerance(sound, n);
    *a = search_area(a0, x, n, search);
    state clipped(sound);
    return corrections(clipped, pinned_last_edge(sound.Xlimit, n), x, f1, a, n, low);
}

}  // namespace envelope
