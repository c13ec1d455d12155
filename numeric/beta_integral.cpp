#include "numeric/beta_integral.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "numeric/legendre_rule.hpp"
#include "numeric/logarithm.hpp"

namespace numeric {

namespace {

constexpr double series_ratio = 0.75;  // the largest term ratio a series is used with
constexpr double inf = std::numeric_limits<double>::infinity();

// A sum is complete when what its remaining terms can add is below this
// fraction of it.
constexpr double negligible = 0x1p-60;

}  // namespace

beta_integral::beta_integral(double m, double H, double r0, double m0)
    : m_(m), r0_(r0)
{
    c_ = two_sum(H, -1) * 0.5;
    ch_ = to_double(c_);
    a_ = (m + 1) / 2;
    h1_ = H + 1;
    b_ = h1_ / 2;
    branch_at_one_ = !(ch_ >= 0 && ch_ == std::floor(ch_));
    k_ = m0 > 0 ? log_dd(r0) * m0 : dd{};
    if (ch_ != 0) {
        y0_ = one_minus_square(r0);
        ln_y0_ = log_dd(y0_);
        inv_y0_ = dd{1, 0} / y0_;
    }

    // Each series' term ratios are bounded by their first and their limit.
    const double ab = a_ + b_;
    const double A = std::max(1.0, ab / (a_ + 1));
    const double B = std::max(1.0, ab / (b_ + 1));
    const double s_lo = series_ratio / A;
    const double y_up = series_ratio / B;
    if (s_lo + y_up >= 1) {
        // The series meet: split where their ratios are equal.
        x_lo_ = x_up_ = std::sqrt(B / (A + B));
    } else {
        x_lo_ = std::sqrt(s_lo);
        x_up_ = std::sqrt(1 - y_up);
    }

    if (ch_ > 0)
        x_mode_ = m > 0 ? std::sqrt(m / (m + to_double(c_ * 2.0))) : 0;
    else
        x_mode_ = 1;
}

beta_integral::exponent_parts beta_integral::exponent(double x, bool need_ln_y) const
{
    exponent_parts e;
    e.phi = -k_;
    if (x > 0) e.ln_x = log_dd(x);
    if (m_ > 0) e.phi = e.phi + e.ln_x * m_;
    if (ch_ == 0) {
        if (need_ln_y) e.ln_y = log_dd(one_minus_square(x));
        return e;
    }
    // c ln((1 - x^2) / (1 - r0^2)) = c ln(1 + z), z = (r0 - x)(r0 + x) / (1 - r0^2).
    const double zd = (r0_ - x) * (r0_ + x) / y0_.hi;
    if (std::fabs(zd) < 0x1p-20) {
        // Near r0, where c may be huge (1e300) and z tiny: c z formed without
        // underflow, ln(1 + z)/z - 1 = -z/2 + z^2/3 - ... beside it.
        const dd dx = two_sum(r0_, -x);
        const dd sx = two_sum(r0_, x);
        const dd cz = ((c_ * dx) * sx) * inv_y0_;
        const double w = zd * (-0.5 + zd * (1.0 / 3 - zd * 0.25));
        e.phi = e.phi + (cz + cz.hi * w);
        if (need_ln_y) {
            const dd z = (dx * sx) * inv_y0_;
            e.ln_y = z + z.hi * w + ln_y0_;
        }
    } else {
        const dd l = log_dd(one_minus_square(x) * inv_y0_);
        e.phi = e.phi + c_ * l;
        if (need_ln_y) e.ln_y = l + ln_y0_;
    }
    return e;
}

dd beta_integral::log_density(double x) const
{
    if (x == 0 && m_ > 0) return {-inf, 0};
    if (x == 1 && ch_ != 0) return {ch_ > 0 ? -inf : inf, 0};
    return exponent(x, false).phi;
}

const beta_integral::pinned* beta_integral::find_pin(double x, bool lower) const
{
    for (int i = 0; i < pin_count_; ++i)
        if (pins_[i].x == x && pins_[i].lower == lower) return &pins_[i];
    return nullptr;
}

void beta_integral::pin(double x)
{
    if (!gap_pinned_) {
        gap_pinned_ = true;
        if (x_lo_ < x_up_) gap_ = quadrature(x_lo_, x_up_);
        pin(x_lo_);
        pin(x_up_);
    }
    if (x == 0 || x == 1) return;
    if (x <= x_lo_ && !find_pin(x, true) && pin_count_ < 8) pins_[pin_count_] = {x, true, lower_series(x)}, ++pin_count_;
    if (x >= x_up_ && !find_pin(x, false) && pin_count_ < 8) pins_[pin_count_] = {x, false, upper_series(x)}, ++pin_count_;
}

scaled beta_integral::series(double x, bool lower, memo* seen) const
{
    if (seen) {
        for (int i = 0; i < seen->count; ++i)
            if (seen->x[i] == x && seen->lower[i] == lower) return seen->value[i];
    }
    const scaled value = lower ? lower_series(x) : upper_series(x);
    if (seen) {
        const int i = seen->count < 2 ? seen->count++ : 1;
        seen->x[i] = x, seen->lower[i] = lower, seen->value[i] = value;
    }
    return value;
}

scaled beta_integral::lower_series(double x, memo* seen) const
{
    if (seen) return series(x, true, seen);
    if (x == 0) return {};
    if (const pinned* p = find_pin(x, true)) return p->value;
    const exponent_parts e = exponent(x, true);
    const dd prefactor = e.phi + e.ln_x + e.ln_y;
    // Ratios (a+b+n) x^2 / (a+1+n): x (a+b+n) x keeps x^2 from going subnormal.
    const double ab = a_ + b_;
    const double s = x * x;
    double term = 1;
    double sum = 1;
    for (int n = 0; n < 1000000; ++n) {
        const double r = (x * (ab + n)) * x / (a_ + 1 + n);
        term *= r;
        sum += term;
        const double bound = std::max(r, s);
        if (term * bound <= negligible * sum * (1 - bound)) break;
    }
    return exp_scaled(prefactor) * (sum / (m_ + 1));
}

scaled beta_integral::upper_series(double x, memo* seen) const
{
    if (seen) return series(x, false, seen);
    if (x == 1) return {};
    if (const pinned* p = find_pin(x, false)) return p->value;
    const exponent_parts e = exponent(x, true);
    const dd prefactor = e.phi + e.ln_x + e.ln_y;
    const double ab = a_ + b_;
    const double y = to_double(one_minus_square(x));
    double term = 1;
    double sum = 1;
    for (int n = 0; n < 1000000; ++n) {
        const double r = y * (ab + n) / (b_ + 1 + n);
        term *= r;
        sum += term;
        const double bound = std::max(r, y);
        if (term * bound <= negligible * sum * (1 - bound)) break;
    }
    return exp_scaled(prefactor) * (sum / h1_);
}

scaled beta_integral::lower_range(double u, double v, memo* seen) const
{
    const scaled at_v = lower_series(v, seen);
    if (u == 0) return at_v;
    const scaled at_u = lower_series(u, seen);
    if (less_equal(at_u * 2.0, at_v)) return at_v - at_u;
    return quadrature(u, v);
}

scaled beta_integral::upper_range(double u, double v, memo* seen) const
{
    const scaled at_u = upper_series(u, seen);
    if (v == 1) return at_u;
    const scaled at_v = upper_series(v, seen);
    if (less_equal(at_v * 2.0, at_u)) return at_u - at_v;
    return quadrature(u, v);
}

scaled beta_integral::mass(double u, double v, memo* seen) const
{
    scaled total;
    if (u < x_lo_) total = total + lower_range(u, std::min(v, x_lo_), seen);
    const double gap_lo = std::max(u, x_lo_);
    const double gap_hi = std::min(v, x_up_);
    if (gap_lo < gap_hi) total = total + (gap_pinned_ && gap_lo == x_lo_ && gap_hi == x_up_ ? gap_ : quadrature(gap_lo, gap_hi));
    if (v > x_up_) total = total + upper_range(std::max(u, x_up_), v, seen);
    return total;
}

scaled beta_integral::quadrature(double u, double v, double a, int k) const
{
    // Monotone pieces, each walked from its largest end.
    if (ch_ > 0 && m_ > 0) {
        if (u < x_mode_ && x_mode_ < v) return walk(x_mode_, u, a, k) + walk(x_mode_, v, a, k);
        return x_mode_ <= u ? walk(u, v, a, k) : walk(v, u, a, k);
    }
    if (ch_ > 0) return walk(u, v, a, k);  // decreasing from 0
    return walk(v, u, a, k);               // increasing towards 1 (or constant)
}

scaled beta_integral::walk(double p, double end, double a, int k) const
{
    const legendre_rule& rule = gauss_legendre_rule();
    const exponent_parts at_p = exponent(p, false);
    const scaled base = exp_scaled(at_p.phi);
    if (is_zero(base)) return {};

    // Offsets from p in units of u = p (or 1 at p = 0): t = p + u q. Near 0 an
    // interval's width can be subnormal while its offsets relative to p are
    // not. end - p is exact wherever that matters (the ends close together).
    const double u = p > 0 ? p : 1;
    const double span = (end - p) / u;
    // ln(f(t) / f(p)) = m ln(1 + q) + c ln(1 + z), z = -u q (2p + u q) / (1 - p^2)
    // (m > 0 only where p > 0, so that u q / p = q). Where c > 0 the two
    // logarithms cancel; then it is taken as
    // q u f'(p)/f(p) - c (u q)^2/(1 - p^2) + m g(q) + c g(z), g(w) = ln(1 + w) - w,
    // whose terms all have the sign of the whole (p is the piece's maximum),
    // with f'/f at p from a double-double numerator (it is nearly 0 at the mode).
    const dd yp_dd = one_minus_square(p);
    const double yp = to_double(yp_dd);
    const double inv_y = 1 / yp;
    const double m = m_;
    const double c = ch_;
    double slope_p = 0;  // u f'(p)/f(p)
    if (c > 0) {
        if (m > 0) {
            const dd numerator = yp_dd * m - (c_ * 2.0) * two_prod(p, p);
            slope_p = to_double(numerator) / yp;
        } else {
            slope_p = -2 * c * p * u * inv_y;
        }
    }
    const double cu = c * u;
    const auto delta = [&](double q) {
        const double uq = u * q;
        const double z = -uq * (2 * p + uq) * inv_y;
        if (c > 0) {
            double r = q * slope_p - (cu * q) * uq * inv_y + c * log1p_minus(z);
            if (m > 0) r += m * log1p_minus(q);
            return r;
        }
        double r = 0;
        if (m > 0) r += m * std::log1p(q);
        if (c != 0) r += c * std::log1p(z);
        return r;
    };
    // The slope and curvature of ln f at t = p + u q (in units of q), for
    // the panels' widths only.
    const auto step = [&](double q, double remaining) {
        const double t = p + u * q;
        const double one_minus_t = (1 - p) - u * q;
        const double y = one_minus_t * (1 + t);
        double slope = 0;
        double curvature = 0;
        if (m > 0) slope += m / (1 + q), curvature += m / ((1 + q) * (1 + q));
        if (c != 0) slope -= 2 * cu * t / y, curvature += 2 * cu * u * (1 + t * t) / (y * y);
        const double k = std::fabs(slope);
        const double kappa = std::fabs(curvature);
        // Where the quadratic model of ln f falls by 3.
        double w = 6 / (k + std::sqrt(k * k + 6 * kappa));
        if (!(w > 0)) w = inf;
        if (branch_at_one_) {
            // The rule converges fast while the branch point at 1 is at
            // least a panel's width beyond the panel.
            const double distance = one_minus_t / u;
            w = std::min(w, end > p ? distance / 2 : distance);
        }
        return std::min(w, remaining);
    };

    // The weight (t - a)^k from the exact offset p - a of the ends that are
    // close (Sterbenz) and u q.
    const double pa = p - a;
    const auto weighted = [&](double q) {
        const double e = std::exp(delta(q));
        if (k == 0) return e;
        const double w = pa + u * q;
        return k == 1 ? e * w : e * w * w;
    };
    const double far_weight = std::max(std::fabs(pa), std::fabs(pa + u * span));
    const double weight_bound = k == 0 ? 1 : k == 1 ? far_weight : far_weight * far_weight;

    const double dir = span > 0 ? 1 : -1;
    double q0 = 0;
    double delta0 = 0;
    double sum = 0;
    for (int panel = 0; panel < 100000; ++panel) {
        const double remaining = std::fabs(span - q0);
        if (!(remaining > 0)) break;
        double w = step(q0, remaining);
        double q1, delta1, piece;
        for (int narrowing = 0;; ++narrowing) {
            q1 = w >= remaining ? span : q0 + dir * w;
            delta1 = delta(q1);
            const double half = (q1 - q0) / 2;
            const double mid = q0 + half;
            double s = 0;
            for (int i = 0; i < legendre_points; ++i) s += rule.weight[i] * weighted(mid + half * rule.node[i]);
            piece = std::fabs(half) * s;
            // A fall far beyond the model's: the panel is too wide for the rule.
            if (delta0 - delta1 <= 8 || narrowing == 20) break;
            w /= 4;
        }
        sum += piece;
        q0 = q1;
        delta0 = delta1;
        if (q0 == span) break;
        // What is left is at most f(end of panel) times the rest of the
        // interval, or, where ln f is concave, f over its slope there.
        double rest = std::fabs(span - q0);
        if (c >= 0) {
            const double t = p + u * q0;
            const double y = ((1 - p) - u * q0) * (1 + t);
            const double slope = std::fabs((m > 0 ? m / (1 + q0) : 0) - 2 * cu * t / y);
            if (slope > 0) rest = std::min(rest, 1 / slope);
        }
        if (std::exp(delta1) * rest * weight_bound <= negligible * sum) break;
    }
    return base * make_scaled(u) * sum;
}

}  // namespace numeric
