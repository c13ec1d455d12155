#include "envelope/law/quantile.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <functional>
#include <numbers>
#include <type_traits>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "numeric/digits.hpp"
#include "numeric/error.hpp"
#include "sin_cos/error.hpp"
#include "envelope/law/library_terms.hpp"

namespace sin_cos::detail {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr int node_count = quantile::degree + 1;
// Below this many doubles a piece lists them all: interpolation has no room.
constexpr std::int64_t step_limit = 48;
// Beyond this many pieces the resolution is out of reach (a smooth law needs
// tens; a hundred thousand evaluations of the cdf is the most a law may cost).
constexpr std::size_t piece_limit = 6000;

// The doubles in their order, as integers: -0 and +0 share 0.
std::int64_t order_key(double x)
{
    const auto bits = std::bit_cast<std::int64_t>(x);
    return bits >= 0 ? bits : -(bits & 0x7fffffffffffffff);
}

double from_key(std::int64_t key)
{
    return key >= 0 ? std::bit_cast<double>(key) : -std::bit_cast<double>(-key);
}

// a if c, else b, by masks: a ternary on doubles may compile to a branch.
[[gnu::always_inline]] inline double select(bool c, double a, double b)
{
    const std::uint64_t mask = 0 - static_cast<std::uint64_t>(c);
    return std::bit_cast<double>((std::bit_cast<std::uint64_t>(a) & mask) | (std::bit_cast<std::uint64_t>(b) & ~mask));
}

// t to the nearest multiple of the piece's grid step (adding 1.5 2^52 steps
// leaves no bits below it): monotone, as every rounding is.
// Off the grid the shift is 0, and (t + 0) - 0 is t: no branch.
template <class T>
[[gnu::always_inline]] inline T on_grid(T shift, T t) { return (t + shift) - shift; }

using pair = double __attribute__((vector_size(16)));

// The piece's polynomial in powers of t (unused ones 0), by Estrin's scheme:
// a tree of products rather than Horner's chain, so that values in bulk
// overlap in the processor.
[[gnu::always_inline]] inline double polynomial(const double* c, double t)
{
    static_assert(quantile::degree == 11, "the scheme below is written for 12 coefficients");
    const double t2 = t * t, t4 = t2 * t2, t8 = t4 * t4;
    const double q0 = (c[0] + c[1] * t) + (c[2] + c[3] * t) * t2;
    const double q1 = (c[4] + c[5] * t) + (c[6] + c[7] * t) * t2;
    const double q2 = (c[8] + c[9] * t) + (c[10] + c[11] * t) * t2;
    return (q0 + q1 * t4) + q2 * t8;
}

// Newton's divided differences at nodes t[0..n) in powers of t, in long
// double: c(t) = c[n-1] (t - t[n-2]) ... + c[0] expanded term by term.
void to_powers(quantile::piece& p, int n)
{
    long double a[node_count] = {};
    a[0] = p.c[n - 1];
    for (int k = n - 2; k >= 0; --k) {
        // a <- a (t - t_k) + c_k
        for (int j = n - 1; j >= 1; --j) a[j] = a[j - 1] - a[j] * p.t[k];
        a[0] = -a[0] * p.t[k] + p.c[k];
    }
    for (int j = 0; j < node_count; ++j) p.c[j] = j < n ? static_cast<double>(a[j]) : 0;
}

std::string name(double xini, double xfin, double H, int M)
{
    return "xini=" + numeric::shortest(xini) + ", xfin=" + numeric::shortest(xfin) + ", H=" + numeric::shortest(H) +
           ", M=" + std::to_string(M);
}

}  // namespace

// Fits the pieces of one stretch [A, B] on which the density has no zero
// inside. Each piece measures u from an anchor, the end of the stretch from
// which it holds less mass, and x from that anchor where it lies within a
// ratio of offsets from it (the density vanishes or blows up there like a
// power: logarithms of both offsets make that a straight line) or from its
// own near end elsewhere (a peak far from both ends keeps its ulps).
class quantile_builder {
public:
    quantile_builder(quantile& q, double resolution)
        : q_(q), d_(q.law_), res_(resolution), log_total_(numeric::log(d_.total())), M_(q.M_),
          c_((q.H_ - 1) / 2), r0_(d_.reference())
    {
        const double r = r0_;
        y0_ = (1 - r) * (1 + r);
    }

    void stretch(double A, double B, double uA, double uB)
    {
        A_ = A, B_ = B, uA_ = uA, uB_ = uB;
        first_[0] = first_[1] = 0;
        stretch_mass_ = d_.mass(A, B);
        stretch_v_ = ratio(stretch_mass_);
        // Where the density blows up at an end (H < 1 at +-1), the step to
        // its neighbour is the largest: noted first, so that the pieces'
        // steps below half of it need no measure.
        if (c_ < 0) {
            if (A == -1) note_jump(ratio(d_.mass(A, std::nextafter(A, inf))), A);
            if (B == 1) note_jump(ratio(d_.mass(std::nextafter(B, -inf), B)), std::nextafter(B, -inf));
        }
        end a{A}, b{B};
        fit(a, b, nullptr);
    }

private:
    struct series;
    struct end {
        double x;
        // v from A (0) and to B (1), once known: exact, or from a parent's
        // series (err its estimated error), which spares a cdf a split.
        double v[2] = {0, 0}, err[2] = {0, 0};
        bool known[2] = {false, false};
    };

    numeric::scaled anchored(bool lower, double x) const { return lower ? d_.mass(A_, x) : d_.mass(x, B_); }
    double anchored(bool lower, end& e) const
    {
        const int i = lower ? 0 : 1;
        if (!e.known[i]) e.v[i] = ratio(anchored(lower, e.x)), e.err[i] = 0, e.known[i] = true;
        return e.v[i];
    }
    // v from A, from either side's value where one is known: for the choice
    // of anchor alone, which needs no precision.
    double from_A(end& e) const { return e.known[0] ? e.v[0] : e.known[1] ? stretch_v_ - e.v[1] : anchored(true, e); }
    double ratio(numeric::scaled m) const { return numeric::ratio(m, d_.total()); }
    double log_ratio(numeric::scaled m) const
    {
        return numeric::is_zero(m) ? -inf : numeric::log(m) - log_total_;
    }

    void note_jump(double step, double where)
    {
        if (step > res_ && step > q_.error_.jump) q_.error_.jump = step, q_.error_.where = where;
    }

    // An accepted piece's largest cdf step between adjacent doubles, where
    // it may exceed the resolution: at an end or at the density's peak (the
    // checks between nodes need not have met it), measured exactly.
    void steps_within(double lo, double hi)
    {
        double at[3] = {lo, std::nextafter(hi, -inf), nan};
        if (q_.H_ > 1) {
            const double peak = std::sqrt(M_ / (M_ + q_.H_ - 1));
            at[2] = lo < peak && peak < hi ? peak : lo < -peak && -peak < hi ? -peak : nan;
        }
        for (const double x : at) {
            const double next = std::nextafter(x, inf);
            // (Measured only where it may exceed the resolution and half the
            // largest step noted so far.)
            const double estimate = d_.pdf(x) * (next - x);
            if (!(x >= lo && next <= hi) || !(estimate > res_ / 4 && estimate > q_.error_.jump / 2)) continue;
            note_jump(ratio(d_.mass(x, next)), x);
        }
    }

    void emit(quantile::piece p, double cut)
    {
        if (q_.pieces_.size() >= piece_limit)
            numeric::fail(numeric::failure_kind::numerical, false,
                          "the quantile of the law %s reaches a u-resolution of %s only, not %s",
                          name(q_.xini_, q_.xfin_, q_.H_, q_.M_).c_str(), numeric::shortest(worst_).c_str(),
                          numeric::shortest(res_).c_str());
        q_.pieces_.push_back(p);
        q_.cut_.push_back(cut);
    }

    // The doubles of [a, b], each with its u.
    void steps(end& a, end& b)
    {
        const bool lower = (a.x - A_) <= (B_ - b.x);
        quantile::piece p{};
        p.kind = quantile::form::steps;
        p.x_lo = a.x, p.x_hi = b.x;
        p.first = static_cast<int>(q_.step_u_.size());
        double previous = -inf;
        for (std::int64_t k = order_key(a.x); k <= order_key(b.x); ++k) {
            const double x = from_key(k);
            const double v = ratio(anchored(lower, x));
            double u = lower ? uA_ + v : uB_ - v;
            u = std::max(u, previous);
            if (previous > -inf) note_jump(u - previous, q_.step_x_.back());
            q_.step_u_.push_back(u);
            q_.step_x_.push_back(x);
            previous = u;
        }
        p.count = static_cast<int>(q_.step_u_.size()) - p.first;
        emit(p, q_.step_u_[p.first]);
    }

    void fit(end& a, end& b, const series* inherited)
    {
        if (order_key(b.x) - order_key(a.x) <= step_limit) return steps(a, b);
        // The anchor is the end from which the piece holds the smaller
        // offsets in u: the logarithm of the offset then stays away from the
        // stretch's total, where it flattens.
        // (Compared by the mass from A alone: only the chosen side's offsets
        // need their relative precision.)
        const bool lower = from_A(b) <= stretch_v_ - from_A(a);
        const double E = lower ? A_ : B_, sigma = lower ? 1 : -1;
        end& near = lower ? a : b;
        end& far = lower ? b : a;
        const double v_near = anchored(lower, near), v_far = anchored(lower, far);
        const double s_near = sigma * (near.x - E), s_far = sigma * (far.x - E);

        quantile::piece p{};
        p.x_lo = a.x, p.x_hi = b.x;
        p.origin = lower ? uA_ : uB_;
        p.sign = sigma;
        p.w_min = -inf;
        const double cut = lower ? uA_ + v_near : uB_ - v_far;

        // A piece of negligible mass: any x of it is within its u-width.
        if (v_far - v_near <= res_ / 2) {
            p.kind = quantile::form::plain;
            p.base = near.x;
            p.nodes = 2;
            p.t[0] = -1, p.t[1] = 1;
            p.s_ref = sigma * (far.x - near.x);
            p.c[0] = p.c[1] = 0.5;  // (1 + t) half the width
            p.centre = (v_near + v_far) / 2;
            p.scale = v_far > v_near ? 2 / (v_far - v_near) : 0;
            return emit(p, cut);
        }

        // Logarithmic pieces, at the anchor or spanning a ratio of offsets
        // from it, measure x from the anchor; plain ones from their near end,
        // so that a peak far from the anchor keeps its ulps.
        // Only where the density vanishes or blows up at the anchor does x
        // follow a power of v there: a finite density (an interval's end
        // inside (-1, 1) away from 0, H = 1 at +-1) leaves x smooth in v.
        // (An end where the density underflows counts as vanishing.)
        const double f_end = density(frame{E, sigma, false}, 0);
        const bool singular = (std::fabs(E) == 1 && c_ != 0) || (E == 0 && M_ > 0) || !(f_end > 0 && f_end < inf);
        const bool at_end = s_near == 0 && singular;
        // (Logarithms cost a ppf two calls of the library's log and exp: they
        // are kept to the tails, where u holds little of the draws.)
        const bool tail = !(stretch_v_ * 0.01 <= v_far);
        const bool logarithmic = at_end || (singular && tail && s_far > 4 * s_near);
        const double s_min = sigma * (std::nextafter(E, sigma * inf) - E);
        const double base = logarithmic ? E : near.x;
        // The first offset is the stretch end's, found once: where a piece is
        // shorter, its mass is below the resolution (the flat case above).
        double& first = first_[lower ? 0 : 1];
        if (at_end && first == 0) {
            first = first_offset(lower, E, sigma, s_min, sigma * ((lower ? B_ : A_) - E));
            first_v_[lower ? 0 : 1] = ratio(anchored(lower, E + sigma * first));
        }
        if (at_end && !(first < s_far)) return split(a, b, E, sigma, s_min, s_far, true, inf, nullptr);
        const double r_lo = at_end ? first : sigma * (near.x - base);
        const double r_far = sigma * (far.x - base);
        // A ratio of u-offsets (a tail) makes ln v the variable: x then
        // changes as a power or a logarithm of v, smooth in ln v. (Past a
        // ratio of 8, not 4: a logarithm costs a ppf several times a plain
        // piece's value, and plain pieces then hold most of u.)
        // Not where v grows as the density at a finite end times the offset.
        const double linear = singular ? 0 : f_end * s_far;
        const bool log_u =
            logarithmic || (v_near > 0 && v_far > 8 * v_near && !(linear > v_far / 2 && linear < 2 * v_far));
        p.kind = logarithmic ? quantile::form::logarithmic : log_u ? quantile::form::log_u : quantile::form::plain;
        p.base = base;
        p.s_ref = r_far;
        const frame f{base, sigma, logarithmic};

        // Nodes at the Chebyshev-Lobatto points of the offset (of its
        // logarithm in logarithmic pieces), their u-values from the exact one
        // at the near end and the density's Chebyshev series on the piece,
        // integrated (17 values of the density a piece) — or on the piece it
        // was split from, anchored alike, whose series landed: a half needs
        // no density.
        const double l_lo = logarithmic ? std::log(r_lo) : 0, l_far = logarithmic ? std::log(r_far) : 0;
        const double v_lo = at_end ? first_v_[lower ? 0 : 1] : v_near;
        series own;
        const bool inherit = inherited != nullptr && inherited->lower == lower;
        if (!inherit) {
            own.lower = lower;
            own.f = f;
            own.map = chebyshev_map{logarithmic, r_lo, r_far, l_lo, l_far};
            own.mass = integrate(f, own.map);
            own.v0 = v_lo;
            own.err = near.err[lower ? 0 : 1];
        }
        const series& mass = inherit ? *inherited : own;
        double rs[node_count], ys[node_count], vs[node_count], ws[node_count];
        int n = 0;
        for (int j = 0; j <= quantile::degree; ++j) {
            const double z = (1 - std::cos(std::numbers::pi * j / quantile::degree)) / 2;
            double x;
            if (j == 0) x = base + sigma * r_lo;
            else if (j == quantile::degree) x = far.x;
            else x = base + sigma * (logarithmic ? std::exp(l_lo + (l_far - l_lo) * z) : r_lo + (r_far - r_lo) * z);
            const double r = sigma * (x - base);
            if (n > 0 && !(r > rs[n - 1])) {
                if (j < quantile::degree) continue;
                --n;  // the far end replaces a node it does not pass
            }
            rs[n] = r;
            vs[n] = mass(x);
            ++n;
        }
        // The quadrature must land on the far end's value.
        const double landing = n < 2 ? inf : std::fabs(vs[n - 1] - v_far);
        if (!(landing <= res_ / 16))
            return split(a, b, E, sigma, logarithmic ? r_lo : s_near, s_far, logarithmic, landing, nullptr);
        vs[0] = v_lo;
        vs[n - 1] = v_far;
        // What the halves inherit if this piece splits.
        // (Only a series whose last terms are negligible is good between
        // its ends: landing on the far end alone is the integral's test.)
        series passed = mass;
        passed.err = std::max(mass.err, landing + far.err[lower ? 0 : 1]) + mass.mass.tail;
        const series* handed = mass.mass.tail <= res_ / 256 ? &passed : nullptr;
        for (int j = 0; j < n; ++j) {
            // Offsets in units of the piece's width: no subnormal products
            // on intervals near 0 (the polynomial's terms are then of order 1).
            ys[j] = logarithmic ? std::log(rs[j] / r_far) : rs[j] / r_far;
            ws[j] = log_u ? std::log(vs[j]) : vs[j];
            if (j > 0 && !(ws[j] > ws[j - 1]))
                return split(a, b, E, sigma, logarithmic ? r_lo : s_near, s_far, logarithmic, inf, handed);
        }
        if (at_end) {
            note_jump(v_lo, sigma > 0 ? E : E + sigma * r_lo);
            p.w_min = ws[0];
            p.s_min = s_min;
            p.y_min = ys[0];
            if (r_lo > s_min) p.slope = (ys[1] - ys[0]) / (ws[1] - ws[0]);
            else p.v_min = v_lo;
        }

        p.nodes = n;
        p.centre = (ws[0] + ws[n - 1]) / 2;
        p.scale = 2 / (ws[n - 1] - ws[0]);
        // The grid of t: values of u closer than the polynomial's rounding
        // noise could come out an ulp or two in reverse order; t rounded to
        // multiples of 2^-k cannot, where a step of the grid moves x by more
        // than that noise and v by less than a sixteenth of the resolution.
        {
            double slope = inf;  // the least dx/dt between nodes
            for (int j = 0; j + 1 < n; ++j) slope = std::min(slope, (rs[j + 1] - rs[j]) / ((ws[j + 1] - ws[j]) * p.scale));
            const double big = std::max({std::fabs(a.x), std::fabs(b.x), std::fabs(base)});
            const double noise = 32 * (std::nextafter(big, inf) - big);
            const double widest = log_u ? v_far : 1;  // dv = v dw in logarithms of v
            double grid = 1;
            while (grid < 0x1p60 && widest / (2 * grid * p.scale) > res_ / 16) grid *= 2;
            p.grid = slope / grid >= 4 * noise ? grid : 0;
            p.shift = p.grid > 0 ? 0x1.8p52 / p.grid : 0;
        }
        for (int j = 0; j < n; ++j) p.t[j] = (ws[j] - p.centre) * p.scale, p.c[j] = ys[j];
        for (int k = 1; k < n; ++k)
            for (int j = n - 1; j >= k; --j) p.c[j] = (p.c[j] - p.c[j - 1]) / (p.t[j] - p.t[j - k]);
        to_powers(p, n);

        // The check, at the midpoints of the nodes in t, of the evaluation as
        // ppf will do it (from u, through its rounding), against the
        // integrated series; the worst point again against the exact cdf.
        // A series whose last terms and landing are far below the
        // resolution is the cdf to within `slack`: the piece may stand on
        // its checks against it, with a margin of 2 where it is within the
        // resolution and by `slack` where within a step, without a cdf.
        const double slack = mass.err + mass.mass.tail + landing;
        const bool trusted = slack <= res_ / 64;
        double failure = 0, worst = -1, worst_u = 0, worst_inside = 0;
        for (int j = 0; j + 1 < n; ++j) {
            const double t = (p.t[j] + p.t[j + 1]) / 2;
            const double y = polynomial(p.c, t);
            if (!(y >= ys[j] && y <= ys[j + 1])) {
                failure = inf;
                break;
            }
            const double w = p.centre + t / p.scale;
            const double u = p.origin + sigma * (log_u ? std::exp(w) : w);
            const double v = sigma * (u - p.origin);
            const double x = q_.evaluate(p, u);
            const double r = sigma * (x - base);
            const double e = std::fabs(mass(x) - v);
            if (e > worst) worst = e, worst_u = u;
            if (e <= res_ / 2) {
                worst_inside = std::max(worst_inside, e);
                continue;
            }
            // Only where the cdf's step at x is of the error's size can no
            // double do better: the exact test is for those alone.
            const double step = density(f, r) * (std::nextafter(std::fabs(x), inf) - std::fabs(x));
            if (!(e <= 4 * step && within_step(mass, E, sigma, x, v, mass(x), trusted ? slack : 0)))
                failure = std::max(failure, e);
        }
        if (failure == 0 && trusted && worst_inside <= res_ / 4) return steps_within(a.x, b.x), emit(p, cut);
        if (failure == 0) {
            const double x = q_.evaluate(p, worst_u), v = sigma * (worst_u - p.origin);
            const double v_x = ratio(anchored(lower, x));
            const double e = std::fabs(v_x - v);
            const auto exact = [&](double x) { return ratio(anchored(lower, x)); };
            const double step = density(f, sigma * (x - base)) * (std::nextafter(std::fabs(x), inf) - std::fabs(x));
            if (e <= res_ / 2 || (e <= 4 * step && within_step(exact, E, sigma, x, v, v_x, 0)))
                return steps_within(a.x, b.x), emit(p, cut);
            // The series, not the interpolant, is off: the halves make their own.
            return split(a, b, E, sigma, logarithmic ? r_lo : s_near, s_far, logarithmic, e, nullptr);
        }
        split(a, b, E, sigma, logarithmic ? r_lo : s_near, s_far, logarithmic, failure, handed);
    }

    // Whether u (v from the anchor) lies within the cdf's step at x, so that
    // no double does better; notes the step. With offsets known to within
    // slack: only if it lies within the step narrowed by it, noting it
    // widened by it.
    template <class Offset>
    bool within_step(const Offset& offset, double E, double sigma, double x, double v, double v_true, double slack)
    {
        const double inner = std::nextafter(x, E), outer = std::nextafter(x, E + sigma);
        const double v_inner = offset(inner);
        const double v_outer = offset(outer);
        // Within the half-steps about x (x the nearest double to the
        // quantile, or about so): a value off by a double between the checks
        // could otherwise exceed the largest step.
        const double low = std::max(v_inner, (v_inner + v_true) / 2 - res_ / 2);
        const double high = std::min(v_outer, (v_true + v_outer) / 2 + res_ / 2);
        if (!(low + slack <= v && v <= high - slack)) return false;
        if (v < v_true) note_jump(v_true - v_inner + 2 * slack, std::min(inner, x));
        else note_jump(v_outer - v_true + 2 * slack, std::min(outer, x));
        return true;
    }

    // A piece's coordinates: x = base + sigma r; logarithmic pieces
    // integrate over ln r, where a power law of r is smooth.
    struct frame {
        double base, sigma;
        bool logarithmic;
    };

    // The normalised density at x = base + sigma r in doubles: its logarithm
    // relative to the law's reference point, 1 - x^2 taken from the offset at
    // an end +-1 (no cancellation where the density blows up or vanishes),
    // and each factor's ratio to the reference's by log1p where they are
    // close (H or M large: the peak is many ulps of the exponent wide).
    double density(const frame& f, double r) const
    {
        const double x = f.base + f.sigma * r;
        const double ax = std::fabs(x);
        const bool from_end = std::fabs(f.base) == 1 && r < 0.5;
        double phi = 0;
        if (M_ > 0) {
            if (ax == 0) return 0;
            const double d = from_end ? (1 - r) - r0_ : ax - r0_;
            phi += M_ * (std::fabs(d) < 0.5 * r0_ ? std::log1p(d / r0_) : std::log((from_end ? 1 - r : ax) / r0_));
        }
        if (c_ != 0) {
            // d = y - y0 = r0^2 - x^2 as a product where x is not an offset:
            // near 0 with H large, 1 - x^2 would round away the peak's shape.
            const double d = from_end ? r * (2 - r) - y0_ : (r0_ - ax) * (r0_ + ax);
            const double y = from_end ? r * (2 - r) : y0_ + d;
            if (y <= 0) return c_ > 0 ? 0 : inf;
            phi += c_ * (std::fabs(d) < 0.5 * y0_ ? std::log1p(d / y0_) : std::log(y / y0_));
        }
        return std::exp(phi - log_total_);
    }

    // A piece's offsets r as z in [-1, 1]: linear in r, or in ln r.
    struct chebyshev_map {
        bool logarithmic;
        double r_lo, r_far, l_lo, l_far;
        double r(double z) const
        {
            const double q = (1 + z) / 2;
            return logarithmic ? std::exp(l_lo + (l_far - l_lo) * q) : r_lo + (r_far - r_lo) * q;
        }
        // dr/dz at r
        double jacobian(double r) const { return logarithmic ? r * (l_far - l_lo) / 2 : (r_far - r_lo) / 2; }
        double z(double r) const
        {
            const double q = logarithmic ? (std::log(r) - l_lo) / (l_far - l_lo) : (r - r_lo) / (r_far - r_lo);
            return 2 * q - 1;
        }
    };

    static constexpr int points = 16;  // Chebyshev-Lobatto points 0..points of the density

    // The integral from z = -1 of a Chebyshev series, as its own series.
    struct antiderivative {
        double b[points + 2];
        double at_minus_one;
        double tail;  // the last terms' size: the series' error between the ends
        double series(double z) const
        {
            // Clenshaw's recurrence for sum_{m >= 1} b_m T_m(z).
            double b1 = 0, b2 = 0;
            for (int m = points + 1; m >= 1; --m) {
                const double b0 = 2 * z * b1 - b2 + b[m];
                b2 = b1, b1 = b0;
            }
            return b1 * z - b2;
        }
        double operator()(double z) const { return series(z) - at_minus_one; }
    };

    // v(x) on a piece: v0 at its near end, plus the integrated series.
    struct series {
        bool lower = true;
        frame f{};
        chebyshev_map map{};
        antiderivative mass{};
        double v0 = 0, err = 0;
        double operator()(double x) const { return v0 + mass(map.z(f.sigma * (x - f.base))); }
    };

    // The density (times dr/dz) at the Chebyshev-Lobatto points of the
    // piece, its series by the discrete cosine sums, integrated term by term:
    // the integral of T_m is (T_{m+1}/(m+1) - T_{m-1}/(m-1))/2.
    antiderivative integrate(const frame& f, const chebyshev_map& map) const
    {
        static const std::array<double, 2 * points> cosine = [] {
            std::array<double, 2 * points> table{};
            for (int j = 0; j < 2 * points; ++j) table[j] = std::cos(std::numbers::pi * j / points);
            return table;
        }();
        double g[points + 1], c[points + 3] = {};
        for (int k = 0; k <= points; ++k) {
            const double r = map.r(cosine[k]);
            g[k] = density(f, r) * map.jacobian(r);
        }
        for (int m = 0; m <= points; ++m) {
            double sum = 0;
            for (int k = 0; k <= points; ++k) {
                const double term = g[k] * cosine[(m * k) % (2 * points)];
                sum += (k == 0 || k == points) ? term / 2 : term;
            }
            c[m] = sum * 2 / points;
        }
        c[0] /= 2;
        c[points] /= 2;
        antiderivative a{};
        a.b[1] = c[0] - c[2] / 2;
        for (int m = 2; m <= points + 1; ++m) a.b[m] = (c[m - 1] - c[m + 1]) / (2 * m);
        a.at_minus_one = 0;
        a.at_minus_one = a.series(-1);
        a.tail = std::fabs(a.b[points - 1]) + std::fabs(a.b[points]) + std::fabs(a.b[points + 1]);
        return a;
    }

    // The offset from the end E at which the mass from E reaches about a
    // quarter of the resolution (the end's neighbour if it is already above):
    // below it any x is close enough in u, and a power law stands for the
    // rest. Newton's steps on ln v against ln s, where a power law is a line
    // and the slope s f(s) / v costs a density rather than a cdf, kept
    // within a bracket by bisection.
    double first_offset(bool lower, double E, double sigma, double s_min, double s_far)
    {
        const double top = std::log(res_ / 4), bottom = std::log(res_ / 64), target = std::log(res_ / 6);
        double lo = std::log(s_min), hi = std::log(s_far);
        if (log_ratio(anchored(lower, E + sigma * s_min)) >= bottom) return s_min;
        const auto offset = [&](double l) { return sigma * (E + sigma * std::exp(l) - E); };
        double l = hi;
        for (int i = 0; i < 100 && hi - lo > 1e-9; ++i) {
            const double s = offset(l);
            const double w = log_ratio(anchored(lower, E + sigma * s));
            if (w >= bottom && w <= top) return s;
            if (w < bottom) lo = l;
            else hi = l;
            const double slope = s * density(frame{E, sigma, false}, s) / std::exp(w);
            l += (target - w) / slope;
            if (!(l > lo && l < hi)) l = (lo + hi) / 2;
        }
        return offset(lo);
    }

    void split(end& a, end& b, double E, double sigma, double s_lo, double s_far, bool logarithmic, double failure,
               const series* inherited)
    {
        if (failure < inf) worst_ = std::max(worst_, failure);
        const double s = logarithmic ? std::exp((std::log(s_lo) + std::log(s_far)) / 2) : s_lo + (s_far - s_lo) / 2;
        double x = E + sigma * s;
        if (!(a.x < x && x < b.x)) x = from_key(order_key(a.x) + (order_key(b.x) - order_key(a.x)) / 2);
        end middle{x};  // shared by both halves: its masses once
        // Its v from the series where that is well within the resolution
        // (every piece's worst point is still checked against the exact cdf).
        if (inherited != nullptr && inherited->err <= res_ / 64) {
            const int i = inherited->lower ? 0 : 1;
            middle.v[i] = (*inherited)(x), middle.err[i] = inherited->err, middle.known[i] = true;
        }
        fit(a, middle, inherited);
        fit(middle, b, inherited);
    }

    quantile& q_;
    const law_functions& d_;
    double res_;
    double log_total_;
    int M_;
    double c_, r0_, y0_;
    double A_ = 0, B_ = 0, uA_ = 0, uB_ = 0;
    double first_[2] = {0, 0};    // the stretch ends' first offsets, once found
    double first_v_[2] = {0, 0};  // and their v
    numeric::scaled stretch_mass_;
    double stretch_v_ = 0;
    double worst_ = 0;
};

quantile::quantile(double xini, double xfin, double H, int M, double resolution)
    : xini_(xini), xfin_(xfin), H_(H), M_(M), law_(xini, xfin, H, M)
{
    if (!(resolution >= 1e-14 && resolution <= 1e-6))
        numeric::fail(numeric::failure_kind::refused, false,
                      "resolution=%s: a quantile's u-resolution must lie in [1e-14, 1e-6]",
                      numeric::shortest(resolution).c_str());
    error_ = {resolution, resolution, 0, nan};
    quantile_builder builder(*this, resolution);
    // The density's zero at 0 (M > 0) splits the interval: on each side x(u)
    // behaves as a power of u there.
    if (M > 0 && xini < 0 && 0 < xfin) {
        const double u0 = law_.cdf(0);
        builder.stretch(xini, 0, 0, u0);
        builder.stretch(0, xfin, u0, 1);
    } else {
        builder.stretch(xini, xfin, 0, 1);
    }
    for (std::size_t i = 1; i < cut_.size(); ++i) cut_[i] = std::max(cut_[i], cut_[i - 1]);
    cut_.push_back(inf);
    static_assert(sizeof(hot) == 192);
    hot_.resize(pieces_.size());
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        hot_[i] = packed(pieces_[i], std::min(cut_[i + 1], 1.0));
        end_steps_ = end_steps_ || pieces_[i].v_min > 0;
        any_plain_ = any_plain_ || pieces_[i].kind == form::plain;
    }
    error_.bound = std::max(resolution, error_.jump);

    const std::size_t size = std::bit_ceil(std::max<std::size_t>(512, 16 * pieces_.size()));
    guide_scale_ = static_cast<double>(size);
    guide_.resize(size);
    std::size_t piece = 0;
    for (std::size_t j = 0; j < size; ++j) {
        const double u = static_cast<double>(j) / guide_scale_, next = static_cast<double>(j + 1) / guide_scale_;
        while (cut_[piece + 1] <= u) ++piece;
        std::size_t last = piece;  // the piece holding the cell's last u
        while (cut_[last + 1] < next) ++last;
        std::uint32_t entry = static_cast<std::uint32_t>(piece);
        if (last > piece + 1) entry |= multiple;
        if (pieces_[piece].kind != form::plain) entry |= odd;
        if (last == piece + 1 && pieces_[last].kind != form::plain) entry |= next_odd;
        guide_[j] = {cut_[piece + 1], entry};
    }
}

quantile::hot quantile::packed(const piece& p, double end)
{
    // (log_u: t = (ln v - centre) scale, plain_value's steps with ln v for u)
    const bool log_u = p.kind == form::log_u;
    hot h{log_u ? p.centre : p.origin + p.sign * p.centre, log_u ? p.scale : p.sign * p.scale, p.shift, p.base,
          p.sign * p.s_ref, p.x_lo, p.x_hi, {},
          p.kind == form::plain ? end : -inf, p.origin, p.sign, p.v_min, p.base + p.sign * p.s_min};
    std::copy(p.c, p.c + degree + 1, h.c);
    return h;
}

[[gnu::always_inline]] inline double quantile::plain_value(const hot& p, double u)
{
    const double t = on_grid(p.shift, (u - p.m) * p.s);
    return std::clamp(p.base + p.reach * polynomial(p.c, t), p.x_lo, p.x_hi);
}

std::size_t quantile::find(double u) const
{
    // (Through a signed integer: the unsigned conversion costs a branch.)
    std::size_t k = guide_[static_cast<std::size_t>(static_cast<std::int64_t>(u * guide_scale_))].entry & index_mask;
    while (cut_[k + 1] <= u) ++k;
    return k;
}

double quantile::evaluate(const piece& p, double u) const
{
    if (p.kind == form::plain) return plain_value(packed(p, 1), u);
    if (p.kind == form::steps) {
        // The nearest double's u, by a search whose branches depend on the
        // count alone: u's fall anywhere among a few doubles, which a
        // predictor cannot follow.
        const double* first = step_u_.data() + p.first;
        const double* lo = first;
        for (std::ptrdiff_t n = p.count; n > 1;) {
            const std::ptrdiff_t half = n / 2;
            lo = lo[half] <= u ? lo + half : lo;
            n -= half;
        }
        const std::ptrdiff_t above = (lo - first) + (*lo <= u);  // the first u beyond, or count
        const std::ptrdiff_t below = std::max<std::ptrdiff_t>(above - 1, 0);
        const std::ptrdiff_t at = std::min<std::ptrdiff_t>(above, p.count - 1);
        const std::ptrdiff_t k = u - first[below] < first[at] - u ? below : at;
        return step_x_[static_cast<std::size_t>(p.first + k)];
    }
    const double v = p.sign * (u - p.origin);
    if (!(v > 0)) return p.sign > 0 ? p.x_lo : p.x_hi;
    double x;
    if (p.kind == form::log_u) {
        x = p.base + p.sign * p.s_ref * polynomial(p.c, on_grid(p.shift, (std::log(v) - p.centre) * p.scale));
    } else {
        // Below the end's neighbour's mass (a step above the resolution),
        // the end or that neighbour, without a logarithm.
        if (v < p.v_min) return v < p.v_min / 2 ? p.base : p.base + p.sign * p.s_min;
        const double w = std::log(v);
        if (w < p.w_min) {
            if (p.slope > 0) x = p.base + p.sign * p.s_ref * std::exp(p.y_min + (w - p.w_min) * p.slope);
            else x = w < p.w_min - std::numbers::ln2 ? p.base : p.base + p.sign * p.s_min;
        } else {
            x = p.base + p.sign * p.s_ref * std::exp(polynomial(p.c, on_grid(p.shift, (w - p.centre) * p.scale)));
        }
    }
    return std::clamp(x, p.x_lo, p.x_hi);
}

double quantile::ppf(double u) const
{
    if (!(u > 0)) return u == 0 ? xini_ : nan;
    if (!(u < 1)) return u == 1 ? xfin_ : nan;
    return value(find(u), u);
}

double quantile::value(std::size_t k, double u) const
{
    return hot_[k].plain() ? plain_value(hot_[k], u) : evaluate(pieces_[k], u);
}

namespace {

// The bulk loop set for tests and benches: 0 the widest, 1 the two-lane one.
std::atomic<int> lanes_set{0};

constexpr std::size_t block = 256;  // values of the bulk loops at a time

// The marks of a block's values, bit i of word i / 64: the values the bulk
// loops leave for one by one (left), and of those, the ones whose piece is
// found again (u outside (0, 1), or in a cell of several cuts).
struct block_marks {
    std::uint64_t left[block / 64], again[block / 64];
};

// The piece of u by the guide, as the two-lane loop takes it, and its marks:
// u outside (0, 1) (or NaN) takes cell 0's piece, marked. (The wide loop
// marks nothing here: its values tell by their pieces' end cuts.)
template <bool end_steps, class Cell>
[[gnu::always_inline]] inline std::uint32_t piece_of(double u, const Cell* guide, double scale, bool& left,
                                                     bool& again, std::uint32_t multiple, std::uint32_t next_odd,
                                                     std::uint32_t odd, std::uint32_t index)
{
    const bool inside = u > 0 && u < 1;
    std::int64_t j = static_cast<std::int64_t>(u * scale);
    j = inside ? j : 0;
    const Cell c = guide[static_cast<std::size_t>(j)];
    const std::uint32_t g = c.entry;
    const bool beyond = inside && u >= c.next;
    again = !inside || (g & multiple) != 0;
    left = again || (!end_steps && (g & (beyond ? next_odd : odd)) != 0);
    return (g & index) + beyond;
}

}  // namespace

void quantile::bulk_lanes(lanes l)
{
    lanes_set.store(l == lanes::two ? 1 : 0, std::memory_order_relaxed);
}

template <bool in_place>
void quantile::one_by_one(const std::uint32_t* piece, const std::uint64_t* left, const std::uint64_t* again,
                          std::size_t count, const double* given, const double* u, double* x) const
{
    for (std::size_t w = 0; w * 64 < count; ++w)
        for (std::uint64_t bits = left[w]; bits != 0; bits &= bits - 1) {
            const std::size_t i = w * 64 + static_cast<std::size_t>(std::countr_zero(bits));
            const double ui = in_place ? given[i] : u[i];
            x[i] = (again[w] >> (i % 64)) & 1 ? ppf(ui) : value(piece[i], ui);
        }
}

template <bool end_steps, bool in_place>
void quantile::bulk(std::span<const double> u, std::span<double> x) const
{
    const std::size_t n = std::min(u.size(), x.size());
    double given[block];  // u's values, where x is u
    std::uint32_t piece[block];
    block_marks marks;
    for (std::size_t start = 0; start < n; start += block) {
        const std::size_t count = std::min(n - start, block);
        const double* ub = u.data() + start;
        double* xb = x.data() + start;
        // The pieces first, then the values: a value's loads wait on its
        // piece's, and apart they overlap across values. With end steps, the
        // kind of a piece is read where its value is. (The marks of 64
        // values in a register: or-ing each into memory makes a chain
        // through the store.)
        for (std::size_t w = 0; w * 64 < count; ++w) {
            std::uint64_t left = 0, again = 0;
            for (std::size_t i = w * 64; i < std::min(count, w * 64 + 64); ++i) {
                bool l, a;
                piece[i] = piece_of<end_steps>(ub[i], guide_.data(), guide_scale_, l, a, multiple, next_odd, odd,
                                               index_mask);
                left |= static_cast<std::uint64_t>(l) << (i % 64), again |= static_cast<std::uint64_t>(a) << (i % 64);
                if (in_place) given[i] = ub[i];
            }
            marks.left[w] = left, marks.again[w] = again;
        }
        std::size_t i = 0;
        if constexpr (!end_steps) {
            // Two values at a time in the halves of SSE2 registers: the same
            // operations in the same order as plain_value's, half the
            // instructions.
            for (; i + 1 < count; i += 2) {
                const hot& p = hot_[piece[i]];
                const hot& q = hot_[piece[i + 1]];
                const pair t = on_grid(pair{p.shift, q.shift},
                                       (pair{ub[i], ub[i + 1]} - pair{p.m, q.m}) * pair{p.s, q.s});
                const pair t2 = t * t, t4 = t2 * t2, t8 = t4 * t4;
                const auto c = [&](int j) { return pair{p.c[j], q.c[j]}; };
                const pair q0 = (c(0) + c(1) * t) + (c(2) + c(3) * t) * t2;
                const pair q1 = (c(4) + c(5) * t) + (c(6) + c(7) * t) * t2;
                const pair q2 = (c(8) + c(9) * t) + (c(10) + c(11) * t) * t2;
                pair y = pair{p.base, q.base} + pair{p.reach, q.reach} * ((q0 + q1 * t4) + q2 * t8);
                const pair lo{p.x_lo, q.x_lo}, hi{p.x_hi, q.x_hi};
                y = y < lo ? lo : (hi < y ? hi : y);
                xb[i] = y[0], xb[i + 1] = y[1];
            }
        }
        if constexpr (end_steps) {
            for (std::size_t w = 0; w * 64 < count; ++w) {
                std::uint64_t word = 0;
                for (i = w * 64; i < std::min(count, w * 64 + 64); ++i) {
                    const hot& p = hot_[piece[i]];
                    const double ui = ub[i];  // (read before x[i] is written: x may be u)
                    const double y = plain_value(p, ui);
                    // Below an end's first step (v_min > 0 only there), the end or
                    // its neighbour, as evaluate takes them: by masks, as u falls
                    // either side at random (H < 1 puts most of u there).
                    const double v = p.sign * (ui - p.origin);
                    const bool step = (v > 0) & (v < p.v_min);
                    xb[i] = select(step, select(v < p.v_min / 2, p.base, p.next), y);
                    word |= static_cast<std::uint64_t>(!p.plain() && !step) << (i % 64);
                }
                marks.left[w] |= word;
            }
        } else {
            for (; i < count; ++i) xb[i] = plain_value(hot_[piece[i]], ub[i]);
        }
        one_by_one<in_place>(piece, marks.left, marks.again, count, given, ub, xb);
    }
}

#if defined(__x86_64__)
namespace {

// (Helpers rather than lambdas: a lambda does not take its function's target.)
[[gnu::target("avx2"), gnu::always_inline]] inline __m256d two(const double* lo, const double* hi)
{
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(lo)), _mm_loadu_pd(hi), 1);
}

// Four records side by side: fields f..f+3 of record k in lane k of col[0..3].
[[gnu::target("avx2"), gnu::always_inline]] inline void columns(const double* const* r, int f, __m256d (&col)[4])
{
    const __m256d ac = two(r[0] + f, r[2] + f), bd = two(r[1] + f, r[3] + f);
    const __m256d ac2 = two(r[0] + f + 2, r[2] + f + 2), bd2 = two(r[1] + f + 2, r[3] + f + 2);
    col[0] = _mm256_unpacklo_pd(ac, bd), col[1] = _mm256_unpackhi_pd(ac, bd);
    col[2] = _mm256_unpacklo_pd(ac2, bd2), col[3] = _mm256_unpackhi_pd(ac2, bd2);
}

// Four 64-bit lane masks as four 32-bit ones.
[[gnu::target("avx2"), gnu::always_inline]] inline __m128i narrow(__m256d mask)
{
    const __m256i m = _mm256_castpd_si256(mask);
    return _mm_packs_epi32(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1));
}

// (a + b t) + (c + d t) t2
[[gnu::target("avx2"), gnu::always_inline]] inline __m256d quad(__m256d a, __m256d b, __m256d c, __m256d d, __m256d t,
                                                               __m256d t2)
{
    return _mm256_add_pd(_mm256_add_pd(a, _mm256_mul_pd(b, t)), _mm256_mul_pd(_mm256_add_pd(c, _mm256_mul_pd(d, t)), t2));
}

// Whether the processor runs AVX2, found once.
bool runs_avx2()
{
    static const bool avx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return avx2;
}

}  // namespace

// bulk<false, in_place> four values at a time in AVX2 registers, the fields
// of their pieces' records side by side by shuffles; the same operations in
// the same order as plain_value's. (Eight at a time in AVX-512 registers ran
// no faster on an AMD Zen 4, which splits them in two.)
struct bulk_loops {
    using hot = quantile::hot;
    using cell = quantile::cell;
    static_assert(std::is_standard_layout_v<hot> && std::is_standard_layout_v<cell>);
    static_assert(offsetof(hot, m) == 0 && offsetof(hot, s) == 8 && offsetof(hot, shift) == 16 &&
                  offsetof(hot, base) == 24 && offsetof(hot, reach) == 32 && offsetof(hot, x_lo) == 40 &&
                  offsetof(hot, x_hi) == 48 && offsetof(hot, c) == 56 && offsetof(hot, until) == 152 &&
                  sizeof(hot) == 24 * sizeof(double));
    static_assert(offsetof(cell, next) == 0 && offsetof(cell, entry) == 8 && sizeof(cell) == 16);

    // The pieces of a block by the guide's entries alone, four at a time:
    // u outside (0, 1) takes an end cell, and a cell of several cuts, or a
    // piece not plain, is found out where the value is (by until). u copied
    // to given in place.
    template <bool in_place>
    [[gnu::target("avx2"), gnu::always_inline]] static inline void find(const quantile& q, const double* ub,
                                                                       std::size_t count, std::uint32_t* piece,
                                                                       double* given)
    {
        const double* cells = reinterpret_cast<const double*>(q.guide_.data());
        const __m256d zero = _mm256_setzero_pd(), scale = _mm256_set1_pd(q.guide_scale_);
        const __m256d last = _mm256_set1_pd(q.guide_scale_ - 1);
        const __m128i index = _mm_set1_epi32(static_cast<int>(quantile::index_mask));
        // (u = +inf is beyond the last piece's next cut, +inf)
        const std::uint32_t top = static_cast<std::uint32_t>(q.hot_.size() - 1);
        const __m128i last_piece = _mm_set1_epi32(static_cast<int>(top));
        std::size_t i = 0;
        for (; i + 4 <= count; i += 4) {
            const __m256d ui = _mm256_loadu_pd(ub + i);
            if constexpr (in_place) _mm256_storeu_pd(given + i, ui);
            // (max takes 0 for NaN: its second operand where one is NaN)
            const __m128i j = _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(_mm256_mul_pd(ui, scale), zero), last));
            // The four cells (next, entry) by loads and shuffles.
            alignas(16) std::int32_t at[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(at), j);
            const __m256d c02 = two(cells + 2 * at[0], cells + 2 * at[2]), c13 = two(cells + 2 * at[1], cells + 2 * at[3]);
            const __m256d next = _mm256_unpacklo_pd(c02, c13);
            const __m256d e = _mm256_unpackhi_pd(c02, c13);  // entries in the low halves
            const __m128i g = _mm_castps_si128(_mm_shuffle_ps(_mm256_castps256_ps128(_mm256_castpd_ps(e)),
                                                              _mm256_extractf128_ps(_mm256_castpd_ps(e), 1),
                                                              _MM_SHUFFLE(2, 0, 2, 0)));
            const __m128i beyond = narrow(_mm256_cmp_pd(ui, next, _CMP_GE_OQ));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(piece + i),
                             _mm_min_epu32(_mm_sub_epi32(_mm_and_si128(g, index), beyond), last_piece));
        }
        for (; i < count; ++i) {
            const double ui = ub[i];
            double v = ui * q.guide_scale_;
            v = v > 0 ? v : 0;  // (NaN too)
            const std::size_t j = static_cast<std::size_t>(v < q.guide_scale_ - 1 ? v : q.guide_scale_ - 1);
            piece[i] = std::min((q.guide_[j].entry & quantile::index_mask) + (ui >= q.guide_[j].next), top);
            if (in_place) given[i] = ui;
        }
    }

    // x of four values, and the bits of those it leaves (u not in its own
    // plain piece).
    [[gnu::target("avx2"), gnu::always_inline]] static inline unsigned four_values(const double* records,
                                                                                  const std::uint32_t* piece,
                                                                                  const double* ub, double* xb)
    {
        const double* r[4];
        for (int k = 0; k < 4; ++k) r[k] = records + 24 * piece[k];
        __m256d f0[4], f1[4], f2[4], f3[4], f4[4];  // m s shift base, reach x_lo x_hi c0, c1-4, c5-8, c9-11 until
        columns(r, 0, f0), columns(r, 4, f1), columns(r, 8, f2), columns(r, 12, f3), columns(r, 16, f4);
        const __m256d ui = _mm256_loadu_pd(ub);
        const __m256d t = _mm256_sub_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(ui, f0[0]), f0[1]), f0[2]), f0[2]);
        const __m256d t2 = _mm256_mul_pd(t, t), t4 = _mm256_mul_pd(t2, t2), t8 = _mm256_mul_pd(t4, t4);
        const __m256d q0 = quad(f1[3], f2[0], f2[1], f2[2], t, t2);
        const __m256d q1 = quad(f2[3], f3[0], f3[1], f3[2], t, t2);
        const __m256d q2 = quad(f3[3], f4[0], f4[1], f4[2], t, t2);
        const __m256d sum = _mm256_add_pd(_mm256_add_pd(q0, _mm256_mul_pd(q1, t4)), _mm256_mul_pd(q2, t8));
        const __m256d y = _mm256_add_pd(f0[3], _mm256_mul_pd(f1[0], sum));
        const __m256d lo = f1[1], hi = f1[2];
        _mm256_storeu_pd(xb, _mm256_blendv_pd(_mm256_blendv_pd(y, hi, _mm256_cmp_pd(hi, y, _CMP_LT_OQ)), lo,
                                              _mm256_cmp_pd(y, lo, _CMP_LT_OQ)));
        // u in its own plain piece: above 0 (the pieces hold u >= their
        // cut), below until (NaN neither).
        const __m256d own = _mm256_and_pd(_mm256_cmp_pd(ui, _mm256_setzero_pd(), _CMP_GT_OQ),
                                          _mm256_cmp_pd(ui, f4[3], _CMP_LT_OQ));
        return ~static_cast<unsigned>(_mm256_movemask_pd(own)) & 15u;
    }

    // The values from i on one by one, as four_values takes them.
    [[gnu::always_inline]] static inline void tail(const quantile& q, const std::uint32_t* piece, const double* ub,
                                                   double* xb, std::size_t i, std::size_t count, std::uint64_t* left)
    {
        for (; i < count; ++i) {
            const hot& p = q.hot_[piece[i]];
            const double ui = ub[i];  // (read before x[i] is written: x may be u)
            xb[i] = quantile::plain_value(p, ui);
            left[i / 64] |= static_cast<std::uint64_t>(!(ui > 0 && ui < p.until)) << (i % 64);
        }
    }

    // The values the loop left: those of log_u pieces (most of them: the
    // tails) by their logarithms one by one, then their polynomials four at
    // a time as plain pieces' (their records hold centre and scale in m and
    // s); the others by ppf.
    template <bool in_place>
    [[gnu::target("avx2"), gnu::always_inline]] static inline void leftovers(const quantile& q, const double* records,
                                                                            const std::uint32_t* piece,
                                                                            const std::uint64_t* left,
                                                                            std::size_t count, const double* given,
                                                                            const double* ub, double* xb)
    {
        double w[block], y[block];
        std::uint32_t at[block], of[block];
        std::size_t n = 0;
        for (std::size_t b = 0; b * 64 < count; ++b)
            for (std::uint64_t bits = left[b]; bits != 0; bits &= bits - 1) {
                const std::size_t i = b * 64 + static_cast<std::size_t>(std::countr_zero(bits));
                const double ui = in_place ? given[i] : ub[i];
                const std::uint32_t k = piece[i];
                if (ui > 0 && ui < 1 && ui < q.cut_[k + 1] && q.pieces_[k].kind == quantile::form::log_u) {
                    // (u is at or above the piece's cut: the guide's cell starts there or later)
                    const hot& p = q.hot_[k];
                    const double v = p.sign * (ui - p.origin);
                    if (v > 0) w[n] = std::log(v), at[n] = static_cast<std::uint32_t>(i), of[n] = k, ++n;
                    else xb[i] = p.sign > 0 ? p.x_lo : p.x_hi;
                } else {
                    xb[i] = q.ppf(ui);
                }
            }
        std::size_t j = 0;
        for (; j + 4 <= n; j += 4) four_values(records, of + j, w + j, y + j);
        for (; j < n; ++j) y[j] = quantile::plain_value(q.hot_[of[j]], w[j]);
        for (j = 0; j < n; ++j) xb[at[j]] = y[j];
    }

    template <bool in_place>
    [[gnu::target("avx2")]] static void four(const quantile& q, std::span<const double> u, std::span<double> x)
    {
        const std::size_t n = std::min(u.size(), x.size());
        double given[block];
        std::uint32_t piece[block];
        std::uint64_t left[block / 64];
        const double* records = reinterpret_cast<const double*>(q.hot_.data());
        for (std::size_t start = 0; start < n; start += block) {
            const std::size_t count = std::min(n - start, block);
            const double* ub = u.data() + start;
            double* xb = x.data() + start;
            find<in_place>(q, ub, count, piece, given);
            std::fill(left, left + block / 64, 0);
            std::size_t i = 0;
            // (The bits of 64 values in a register: or-ing each four into
            // memory makes a chain through the store.)
            for (std::uint64_t word = 0; i + 4 <= count; i += 4) {
                word |= static_cast<std::uint64_t>(four_values(records, piece + i, ub + i, xb + i)) << (i % 64);
                if (i % 64 == 60 || i + 8 > count) left[i / 64] = word, word = 0;
            }
            tail(q, piece, ub, xb, i, count, left);
            leftovers<in_place>(q, records, piece, left, count, given, ub, xb);
        }
    }
};
#endif

// In bulk, plain pieces (most of u on most laws) and the first step at a
// singular end (most of u where H is near -1) are evaluated without a branch
// that depends on the value, from the pieces' packed records; the values
// that fall elsewhere are marked as they go and taken one by one afterwards,
// so that a mix of kinds does not cost a mispredicted branch a value.
void quantile::ppf(std::span<const double> u, std::span<double> x) const
{
    // The end steps cost every value a few operations: only where a piece has one.
    // (x may be u: then u's values are kept for the long way.)
    const std::size_t n = std::min(u.size(), x.size());
    const bool apart = std::less<>{}(u.data() + n, x.data() + 1) || std::less<>{}(x.data() + n, u.data() + 1);
    if (!apart && u.data() != x.data()) {
        // x overlapping u at an offset: a value written could land on a u
        // not read yet, so the u's are read from a copy.
        const std::vector<double> copy(u.begin(), u.begin() + static_cast<std::ptrdiff_t>(n));
        return ppf(std::span<const double>(copy), x.first(n));
    }
    if (!any_plain_) {
        for (std::size_t i = 0; i < n; ++i) x[i] = ppf(u[i]);
        return;
    }
#if defined(__x86_64__)
    if (!end_steps_ && lanes_set.load(std::memory_order_relaxed) == 0 && runs_avx2())
        return apart ? bulk_loops::four<false>(*this, u, x) : bulk_loops::four<true>(*this, u, x);
#endif
    if (end_steps_) apart ? bulk<true, false>(u, x) : bulk<true, true>(u, x);
    else apart ? bulk<false, false>(u, x) : bulk<false, true>(u, x);
}

}  // namespace sin_cos::detail


namespace sin_cos {


quantile::quantile(const sin_cos::law& l, double resolution)
    : law_(l), q_((validate(l), detail::in_library_terms([&] {
                      return std::make_shared<const detail::quantile>(l.xini, l.xfin, l.H, l.M, resolution);
                  })))
{
}

double quantile::ppf(double u) const { return q_->ppf(u); }
void quantile::ppf(std::span<const double> u, std::span<double> x) const { q_->ppf(u, x); }
u_error_bound quantile::u_error() const { return q_->u_error(); }
double quantile::resolution() const { return q_->u_error().resolution; }
std::size_t quantile::pieces() const { return q_->pieces(); }

}  // namespace sin_cos
