#include "envelope/classic/calibration.hpp"

#include <cmath>
#include <vector>

#include "envelope/classic/corrections.hpp"
#include "envelope/classic/density.hpp"
#include "envelope/classic/edges.hpp"
#include "envelope/classic/state.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"
#include "numeric/romberg.hpp"

namespace envelope {

namespace {

constexpr double scale = area_scale;
constexpr double refine_stop = 0.0001;
constexpr int pass_cap = 200;

// +1 when the layout's last edge reaches or passes Xlimit, -1 when it falls short.
double side(const state& st, const double x[], int n) { return x[n] - st.Xlimit >= 0 ? 1.0 : -1.0; }

}  // namespace

double find_a(state& st, double a, double x[], int n)
{
    if (!(a > 0) || !std::isfinite(a)) {
        numeric::fatal("the density has no usable integral on [%s, %s]: starting bin area %s",
                       numeric::shortest(st.Xini).c_str(), numeric::shortest(st.Xfin).c_str(), numeric::shortest(a).c_str());
    }
    int pass = 0;
    int layouts = 0;
    report_progress(st.Observer, progress_event::begin);
    find_x_all(st, a, x, n);
    report_progress(st.Observer, progress_event::pass, "bracketing the bin area", ++layouts, std::fabs(x[n] - st.Xlimit));
    const double first = side(st, x, n);
    a = first > 0 ? a / scale : a * scale;

    double hi = 0.0;
    double lo = 0.0;
    for (;;) {
        find_x_all(st, a, x, n);
        report_progress(st.Observer, progress_event::pass, "bracketing the bin area", ++layouts, std::fabs(x[n] - st.Xlimit));
        const double current = side(st, x, n);
        if (first > 0 && current < 0) {
            hi = a * scale;
            lo = a;
            break;
        }
        if (first < 0 && current > 0) {
            hi = a;
            lo = a / scale;
            break;
        }
        const double next = first > 0 ? a / scale : a * scale;
        // Scaling sticks at the smallest subnormal or at infinity: no layout can close the bracket.
        if (next == a || !std::isfinite(next)) {
            numeric::fatal("bin area calibration failed: no area brackets the target %s (area stuck at %s)",
                           numeric::shortest(st.Xlimit).c_str(), numeric::shortest(a).c_str());
        }
        a = next;
    }

    while (std::fabs(x[n] - st.Xlimit) > st.Acc_a) {
        hi = (lo + hi) / 2.0;
        find_x_all(st, hi, x, n);
        report_progress(st.Observer, progress_event::pass, "refining the bin area", ++layouts, std::fabs(x[n] - st.Xlimit));
        if (st.Xlimit > x[n]) {
            hi = 2 * hi - lo;
            lo = (lo + hi) / 2.0;
        }
        if (pass++ > pass_cap) break;
        if (std::fabs(x[n] - st.Xlimit) < refine_stop) break;
    }
    report_progress(st.Observer, progress_event::end);
    return hi;
}

built calibrated_table(state& st, int n)
{
    built t;
    std::vector<double>& x = t.table.edges;
    x.assign(n + 1, 0.0);
    t.f1.assign(n, 0.0);
    x[0] = st.Xini;
    x[n] = st.Xfin;
    t.a0 = numeric::qromb([&st](double v) { return g1(st, v); }, st.Xini, st.Xfin) / n;
    t.table.a = find_a(st, t.a0, x.data(), n);
    t.factor = corrections(st, pinned_last_edge(st.Xlimit, n), x.data(), t.f1.data(), &t.table.a, n, &t.low_bins);
    t.table.loss = (t.table.a / t.a0 - 1) * 100.0;
    return t;
}

}  // namespace envelope
