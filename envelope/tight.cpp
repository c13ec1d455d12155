#include "envelope/tight.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "envelope/density.hpp"
#include "envelope/parameters.hpp"
#include "numeric/error.hpp"

namespace envelope {

namespace {

constexpr double margin = 1.001;
const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

// ---------------------------------------------------------------- the density

// Near x = 0, 1 - x*x moves in steps of 2^-53, and the factor (1 - x^2)^((H - 1)/2)
// drops by exp(-(H - 1) 2^-54) at each. Beyond a tenth of the margin the
// density's maxima lie on those steps rather than at its stationary points;
// once the first step underflows, M = 0 leaves a flat box, 1 where 1 - x*x
// rounds to 1 and 0 elsewhere.
double log_step(double h) { return (h - 1) * 0x1p-54; }

struct density {
    double h = 1;
    int m = 0;
    double xini = -1;
    double xfin = 1;
    int peaks = 0;  // stationary maxima inside the domain
    double peak[2] = {};
    double at_peak[2] = {};
    double at_xini = 0;
    double at_xfin = 0;
    bool box = false;  // 1 where 1 - x*x rounds to 1, else 0: its formula's slope means nothing

    // g1's own formula, so that heights compare bit for bit.
    double operator()(double x) const { return density_formula(x, h, m); }

    // First and second derivatives of the density's logarithm.
    double dlog(double x) const
    {
        if (box) return 0;
        const double s = m == 0 ? 0.0 : m / x;
        return h == 1 ? s : s - (h - 1) * x / (1 - x * x);
    }
    double d2log(double x) const
    {
        if (box) return 0;
        const double s = m == 0 ? 0.0 : -m / (x * x);
        const double y = 1 - x * x;
        return h == 1 ? s : s - (h - 1) * (1 + x * x) / (y * y);
    }

    // Maximum over [lo, hi], a part of the domain, given the density at both ends.
    double max_on(double lo, double g_lo, double hi, double g_hi) const
    {
        double best = g_lo > g_hi ? g_lo : g_hi;
        for (int i = 0; i < peaks; ++i) {
            if (lo <= peak[i] && peak[i] <= hi && at_peak[i] > best) best = at_peak[i];
        }
        return best;
    }
};

density make_density(double h, int m, double xini, double xfin)
{
    density d;
    d.h = h;
    d.m = m;
    d.xini = xini;
    d.xfin = xfin;
    double stationary[2];
    int count = 0;
    if (m == 0) {
        stationary[count++] = 0.0;
    } else {
        const double md = m;
        const double xm = std::sqrt(md / ((md + h) - 1));
        stationary[count++] = -xm;
        stationary[count++] = xm;
    }
    for (int i = 0; i < count; ++i) {
        if (xini <= stationary[i] && stationary[i] <= xfin) {
            d.peak[d.peaks] = stationary[i];
            d.at_peak[d.peaks] = d(stationary[i]);
            ++d.peaks;
        }
    }
    d.at_xini = d(xini);
    d.at_xfin = d(xfin);
    d.box = m == 0 && std::exp(-log_step(h)) == 0;
    return d;
}

// ---------------------------------------------------------------- the integral

// The density as an integrand: in x, or near the ends of [-1, 1] in the
// distance u = 1 - |x| from the nearer one, where 1 - x^2 = u (2 - u) keeps its
// precision; M is even, so both ends give the same function of u.
struct integrand {
    double h;
    int m;
    bool from_end;

    double operator()(double y) const
    {
        const double x = from_end ? 1 - y : y;
        const double c = from_end ? y * (2 - y) : 1 - y * y;
        return std::pow(c, (h - 1) / 2) * std::pow(x, static_cast<double>(m));
    }
};

// Five-point Gauss-Legendre rule on [lo, hi].
double gauss(const integrand& f, double lo, double hi)
{
    static const double r = std::sqrt(10.0 / 7.0);
    static const double inner = std::sqrt(5 - 2 * r) / 3;
    static const double outer = std::sqrt(5 + 2 * r) / 3;
    static const double s70 = std::sqrt(70.0);
    static const double w_mid = 128.0 / 225;
    static const double w_inner = (322 + 13 * s70) / 900;
    static const double w_outer = (322 - 13 * s70) / 900;
    const double half = (hi - lo) / 2;
    const double mid = lo + half;
    const double sum = w_mid * f(mid) + w_inner * (f(mid - half * inner) + f(mid + half * inner)) +
                       w_outer * (f(mid - half * outer) + f(mid + half * outer));
    return half * sum;
}

struct panel {
    integrand f;
    double lo, hi;
    double left, right;  // the rule on each half
    double err;          // what the halves may still be off by
};

// Panels lie between stationary points, so the integrand takes its maximum on
// a panel at one of the ends.
panel make_panel(const integrand& f, double lo, double hi, double whole)
{
    const double mid = lo + (hi - lo) / 2;
    if (!(mid > lo && mid < hi)) {
        // An ulp or two wide: the rule's nodes round onto the ends anyway.
        const double trapezoid = (hi - lo) * ((f(lo) + f(hi)) / 2);
        return {f, lo, hi, trapezoid / 2, trapezoid / 2, 0};
    }
    panel p{f, lo, hi, gauss(f, lo, mid), gauss(f, mid, hi), 0};
    const double halves = p.left + p.right;
    p.err = std::fabs(halves - whole);
    // Nodes that all miss a narrow peak at an end, or the steep start of a fall,
    // see next to nothing: then only the panel's height bounds what it holds.
    const double bound = (hi - lo) * std::max(f(lo), f(hi));
    if (halves < 1e-6 * bound) p.err = std::max(p.err, bound);
    return p;
}

// Adaptive, always splitting the worst panel; the square-root ends get as many
// halvings as they need.
double integral(const density& d)
{
    constexpr double relative = 1e-13;
    constexpr int max_splits = 4000;
    const auto by_err = [](const panel& a, const panel& b) { return a.err < b.err; };

    // Pieces between the stationary points, and apart beyond |x| = 0.5.
    std::vector<double> cuts = {-0.5, 0.5, d.xfin};
    cuts.insert(cuts.end(), d.peak, d.peak + d.peaks);
    if (d.m > 0) cuts.push_back(0.0);
    std::sort(cuts.begin(), cuts.end());
    std::vector<panel> heap;
    double lo = d.xini;
    for (const double cut : cuts) {
        const double hi = std::min(cut, d.xfin);
        if (!(hi > lo)) continue;
        integrand f{d.h, d.m, false};
        double a = lo;
        double b = hi;
        if (lo >= 0.5) {
            f.from_end = true, a = 1 - hi, b = 1 - lo;
        } else if (hi <= -0.5) {
            f.from_end = true, a = 1 + lo, b = 1 + hi;
        }
        heap.push_back(make_panel(f, a, b, gauss(f, a, b)));
        lo = hi;
    }
    std::make_heap(heap.begin(), heap.end(), by_err);
    double total = 0;
    double err = 0;
    const auto sum_up = [&] {
        total = 0;
        err = 0;
        for (const panel& p : heap) total += p.left + p.right, err += p.err;
    };
    sum_up();
    for (int split = 0; split < max_splits && err > relative * total; ++split) {
        std::pop_heap(heap.begin(), heap.end(), by_err);
        const panel p = heap.back();
        heap.pop_back();
        const double mid = p.lo + (p.hi - p.lo) / 2;
        const panel parts[2] = {make_panel(p.f, p.lo, mid, p.left), make_panel(p.f, mid, p.hi, p.right)};
        for (const panel& part : parts) {
            heap.push_back(part);
            std::push_heap(heap.begin(), heap.end(), by_err);
            total += part.left + part.right;
            err += part.err;
        }
        total -= p.left + p.right;
        err -= p.err;
        if (split % 64 == 63) sum_up();  // keep the running sums from drifting
    }
    sum_up();
    return total;
}

// ---------------------------------------------------------------- one edge

// Bins aim this much below their area so that rounding cannot lift them over it.
constexpr double shortfall = 1e-13;
// A bin this close below its area is final.
constexpr double tolerance = 1e-10;
constexpr int max_edge_steps = 200;

struct edge {
    double x;
    double g;      // the density at x (at xfin when x lies past it)
    double width;  // x - x0, unrounded past xfin
};

// The height test of the finished table, with the same rounding.
bool fits(double a, double width, double m) { return a / width >= margin * m; }

// Next width to try for a bin from x0 whose right end x gave the area p < or > t.
double newton_width(const density& d, double x, double width, double g, double m, double p, double t)
{
    if (!(p > 0)) return 2 * width;  // no density yet: widen
    if (m == g) {
        // The height is the right end's and grows with it; far off, the area's
        // logarithm is the nearly straight one.
        const double grow = 1 / width + d.dlog(x);
        if (std::isfinite(grow) && grow > 0) {
            if (p > 2 * t || p < t / 2) return width - std::log(p / t) / grow;
            return width - (p - t) / (p * grow);
        }
    }
    return t / m;  // the height stays m
}

// A point strictly between lo and hi (hi may be infinite), evenly on a log scale
// of the width when the bracket spans orders of magnitude.
double between(const density& d, double x0, double lo, double hi)
{
    if (hi == inf) return lo > x0 ? x0 + 2 * (lo - x0) : d.xfin;
    if (lo > x0 && hi - x0 > 4 * (lo - x0)) return x0 + std::sqrt((lo - x0) * (hi - x0));
    return lo + (hi - lo) / 2;
}

// The right edge of the bin from x0 (density g0 there) at which the bin of area
// a stops fitting, within the tolerance; at or past xfin when the bin reaches
// the domain's end, placed there by the maximum over [x0, xfin].
edge next_edge(const density& d, double s, double a, double x0, double g0, double guess)
{
    const double t = s * (1 - shortfall);
    double lo = x0;
    double g_lo = g0;
    double hi = inf;
    double w = guess;
    for (int step = 0; step < max_edge_steps; ++step) {
        double x = x0 + w;
        if (x - x0 > w) x = std::nextafter(x, -inf);  // never wider than meant
        // Now and then a plain split, in case the steps creep.
        if (!(x > lo && x < hi) || step % 8 == 7) x = between(d, x0, lo, hi);
        if (!(x > lo && x < hi)) break;  // lo and hi are neighbours
        if (x >= d.xfin) {
            const double c = d.max_on(x0, g0, d.xfin, d.at_xfin);
            if (fits(a, d.xfin - x0, c)) {
                const double reach = c > 0 ? std::max(d.xfin - x0, t / c) : inf;
                return {x0 + reach, d.at_xfin, reach};
            }
            hi = d.xfin;
            w = t / c;
            continue;
        }
        const double g = d(x);
        const double width = x - x0;
        const double m = d.max_on(x0, g0, x, g);
        const double p = width * m;
        if (fits(a, width, m)) {
            lo = x;
            g_lo = g;
            // Close enough, or the next double would already overshoot.
            if (p >= t * (1 - tolerance) || p + std::fabs(x) * 0x1p-51 * m >= t) return {x, g, width};
        } else {
            hi = x;
        }
        w = newton_width(d, x, width, g, m, p, t);
    }
    return {lo, g_lo, lo - x0};
}

// A first width for the bin from x0: exact on a falling side, from the
// density's local expansion on a rising one.
double guess_width(const density& d, double x0, double g0, double t, double previous)
{
    if (!(g0 > 0)) return previous;
    const double r = t / g0;  // the width at the left end's height: an upper bound when rising
    const double l1 = d.dlog(x0);
    if (!(l1 > 0) || !std::isfinite(l1)) return r;
    const double c2 = l1;
    const double c3 = (l1 * l1 + d.d2log(x0)) / 2;
    double w = std::min(previous, r);
    for (int i = 0; i < 3; ++i) {
        const double q = w * (1 + w * (c2 + w * c3)) - r;
        const double dq = 1 + w * (2 * c2 + 3 * w * c3);
        if (!(dq > 0)) break;
        w -= q / dq;
    }
    return w > 0 && w <= r ? w : std::min(previous, r);
}

// ---------------------------------------------------------------- layouts

// The start z in [lo, hi] of a bin that just reaches xfin, where the bin from lo
// falls short of it and the one from hi reaches it: the layout's count of bins
// is then a whole number exactly when its second-last edge lies on z.
double threshold(const density& d, double t, double lo, double g_lo, double hi, double g_hi)
{
    // The area of the bin from z to xfin beyond t: positive where it falls short of xfin.
    const auto over = [&](double z, double gz) { return (d.xfin - z) * d.max_on(z, gz, d.xfin, d.at_xfin) - t; };
    double f_lo = over(lo, g_lo);
    double f_hi = over(hi, g_hi);
    if (!(f_lo > 0)) return lo;
    if (!(f_hi < 0)) return hi;
    const double close = 1e-12 * (hi - lo);
    int side = 0;
    for (int step = 0; step < 100 && hi - lo > close; ++step) {
        double z = lo + f_lo * (hi - lo) / (f_lo - f_hi);
        if (!(z > lo && z < hi)) z = lo + (hi - lo) / 2;
        const double f = over(z, d(z));
        if (std::fabs(f) <= 1e-12 * t) return z;
        if (f > 0) {
            lo = z, f_lo = f;
            if (side > 0) f_hi /= 2;
            side = 1;
        } else {
            hi = z, f_hi = f;
            if (side < 0) f_lo /= 2;
            side = -1;
        }
    }
    return lo + (hi - lo) / 2;
}

struct layout {
    std::vector<double> x;  // edges from xini
    std::vector<double> g;  // the density at each edge
    int edges = 0;          // x[1..edges] laid out
    bool reached = false;   // x[edges] >= xfin
    double bins = 0;        // bins needed to reach xfin, fractional (see lay_out)
};

// Lays out bins of area s * margin from xini, each as wide as its maximum allows,
// until one reaches xfin or cap bins are down. The bins needed grow steadily as
// the area shrinks: k - 1 plus the fraction of the second-last bin that lies past
// the threshold of the last one (not the fraction of the last bin below xfin,
// which stalls near 0 where the density vanishes and the last bin is huge).
void lay_out(const density& d, double s, int cap, double first_guess, layout* out)
{
    const double a = s * margin;
    const double t = s * (1 - shortfall);
    out->x[0] = d.xini;
    out->g[0] = d.at_xini;
    out->edges = 0;
    out->reached = false;
    out->bins = inf;
    double width = first_guess;
    for (int k = 1; k <= cap; ++k) {
        const double x0 = out->x[k - 1];
        const double g0 = out->g[k - 1];
        const edge e = next_edge(d, s, a, x0, g0, guess_width(d, x0, g0, t, width));
        if (!(e.x > x0)) return;  // no double fits one more bin
        out->x[k] = e.x;
        out->g[k] = e.g;
        out->edges = k;
        if (e.x >= d.xfin) {
            out->reached = true;
            if (k == 1) {
                out->bins = (d.xfin - x0) / e.width;
            } else {
                const double before = out->x[k - 2];
                out->bins = k - (x0 - threshold(d, t, before, out->g[k - 2], x0, g0)) / (x0 - before);
            }
            return;
        }
        width = e.x - x0;
    }
    // Past the cap: the rest in the last bin's width.
    if (out->edges == cap) out->bins = cap + (d.xfin - out->x[cap]) / (out->x[cap] - out->x[cap - 1]);
}

// The doubles in their order, as integers.
std::int64_t order(double x)
{
    const auto b = std::bit_cast<std::int64_t>(x);
    return b >= 0 ? b : std::numeric_limits<std::int64_t>::min() - b;
}

void check_input(double h, int m, double xini, double xfin, int n)
{
    if (!(xini >= -1 && xini < xfin && xfin <= 1)) {
        numeric::fatal("the domain [%.17g, %.17g] must satisfy -1 <= xini < xfin <= 1", xini, xfin);
    }
    if (!(h >= 1) || !std::isfinite(h)) numeric::fatal("H=%.17g must be finite and at least 1", h);
    if (m < 0 || m % 2 != 0) numeric::fatal("M=%d must be even and at least 0", m);
    if (n < 1 || n > max_bins) numeric::fatal("n=%d must lie between 1 and %d", n, max_bins);
    if (order(xfin) - order(xini) < n) {
        numeric::fatal("no sound table: the domain [%.17g, %.17g] holds fewer than n + 1 = %d doubles", xini, xfin, n + 1);
    }
}

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

// A layout that reaches xfin in fewer than n bins still makes a table: halving
// a bin keeps both halves under its area.
void split_to(const density& d, int n, layout* l)
{
    struct bin {
        double lo, hi;
        bool operator<(const bin& o) const { return hi - lo < o.hi - o.lo; }
    };
    std::vector<bin> heap;
    for (int i = 0; i < l->edges; ++i) heap.push_back({l->x[i], i + 1 < l->edges ? l->x[i + 1] : d.xfin});
    std::make_heap(heap.begin(), heap.end());
    while (static_cast<int>(heap.size()) < n) {
        std::pop_heap(heap.begin(), heap.end());
        const bin widest = heap.back();
        const double mid = widest.lo + (widest.hi - widest.lo) / 2;
        // The domain holds n + 1 doubles, so the widest bin spans at least two ulps.
        if (!(mid > widest.lo && mid < widest.hi)) {
            numeric::fatal("no sound table: the bin [%.17g, %.17g] cannot be split", widest.lo, widest.hi);
        }
        heap.back() = {widest.lo, mid};
        std::push_heap(heap.begin(), heap.end());
        heap.push_back({mid, widest.hi});
        std::push_heap(heap.begin(), heap.end());
    }
    std::sort(heap.begin(), heap.end(), [](const bin& a, const bin& b) { return a.lo < b.lo; });
    for (int i = 0; i < n; ++i) {
        l->x[i] = heap[i].lo;
        l->g[i] = i == 0 ? d.at_xini : d(heap[i].lo);
    }
    l->edges = n;
}

// The largest v = total / area (within the tolerances) whose layout makes n
// bins; best receives that layout. v is about the bins' count if each held its area
// exactly, so the bins needed grow with it at nearly unit slope: secant steps
// along one side, Illinois regula falsi across, bisection when the bracket stops
// halving.
double calibrate(const density& d, double total, int n, void (*progress)(int, double), layout* best)
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
        if (progress != nullptr) progress(layouts, std::fabs(lay->bins - n) * (d.xfin - d.xini) / n);

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
        numeric::fatal("no sound table: no common area lays %d bins over [%.17g, %.17g] with H=%.17g, M=%d", n, d.xini,
                       d.xfin, d.h, d.m);
    }
    return fitting.v;
}

}  // namespace

double density_integral(double H, int M, double xini, double xfin)
{
    return integral(make_density(H, M, xini, xfin));
}

tight_table build_tight(double H, int M, double xini, double xfin, int n, void (*progress)(int layouts, double distance))
{
    check_input(H, M, xini, xfin, n);
    const density d = make_density(H, M, xini, xfin);
    const double total = integral(d);
    // Bin areas below the normal doubles would lose their precision.
    if (!(total / n >= std::numeric_limits<double>::min()) || !std::isfinite(total)) {
        numeric::fatal("the density has no usable integral on [%.17g, %.17g] with H=%.17g, M=%d: %g", xini, xfin, H, M,
                       total);
    }
    const double drop = log_step(H);
    if (drop > 1e-4 && !d.box) {
        numeric::fatal("no sound table: H=%.17g is too large, the density drops by %.3g%% between neighbouring doubles "
                       "near 0 and its stationary points no longer give its maxima",
                       H, -std::expm1(-drop) * 100);
    }

    layout lay;
    const double v = calibrate(d, total, n, progress, &lay);
    const double s = total / v;
    if (lay.edges < n) split_to(d, n, &lay);

    tight_table table;
    table.factor = margin;
    table.a = s * margin;
    table.a0 = total / n;
    table.x.assign(lay.x.begin(), lay.x.begin() + n);
    table.x.push_back(xfin);
    table.f1.resize(n);
    for (int i = 0; i < n; ++i) {
        const double width = table.x[i + 1] - table.x[i];
        const double m = d.max_on(table.x[i], lay.g[i], table.x[i + 1], i + 1 < n ? lay.g[i + 1] : d.at_xfin);
        table.f1[i] = table.a / width;
        if (!(width > 0) || !std::isfinite(table.f1[i]) || !(table.f1[i] >= margin * m)) {
            numeric::fatal("no sound table: bin %d on [%.17g, %.17g] has height %.17g for a maximum %.17g", i, table.x[i],
                           table.x[i + 1], table.f1[i], m);
        }
    }
    return table;
}

}  // namespace envelope
