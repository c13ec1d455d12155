#include "envelope/law/distribution_functions.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "envelope/law/shape.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"
#include "numeric/legendre_rule.hpp"
#include "sin_cos/law.hpp"

namespace sin_cos::detail {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

void refuse_bad_law(double xini, double xfin, double H, int M) { sin_cos::validate(sin_cos::law{xini, xfin, H, M}); }

// The point of [xini, xfin], taken in |x|, where the density is largest (below
// 1 where it is infinite there): every mass is measured in its units.
double reference_point(double xini, double xfin, double H, int M)
{
    double lo, hi;
    if (xini >= 0) {
        lo = xini, hi = xfin;
    } else if (xfin <= 0) {
        lo = -xfin, hi = -xini;
    } else {
        lo = 0, hi = std::max(-xini, xfin);
    }
    if (H > 1) {
        if (M == 0) return lo;
        return std::clamp(shape{H, M}.stationary_point(), lo, hi);
    }
    if (H == 1) return hi;
    return std::min(hi, 1 - 0x1p-53);
}

}  // namespace

law_functions::law_functions(double xini, double xfin, double H, int M)
    : xini_(xini), xfin_(xfin), H_(H), M_(M), r0_((refuse_bad_law(xini, xfin, H, M), reference_point(xini, xfin, H, M))),
      kernel_(M, H, r0_, M)
{
    kernel_.pin(std::fabs(xini_));
    kernel_.pin(std::fabs(xfin_));
    total_ = mass(xini_, xfin_);
}

numeric::scaled law_functions::mass(double u, double v, numeric::beta_integral::memo* seen) const
{
    u = std::max(u, xini_);
    v = std::min(v, xfin_);
    if (!(u < v)) return {};
    // The density is even: the negative side is the mirror of the positive.
    const numeric::beta_integral& k = kernel_;
    if (u >= 0) return k.mass(u, v, seen);
    if (v <= 0) return k.mass(-v, -u, seen);
    return k.mass(0, -u, seen) + k.mass(0, v, seen);
}

double law_functions::pdf(double x) const
{
    if (std::isnan(x)) return nan;
    if (x < xini_ || x > xfin_) return 0;
    const numeric::dd l = kernel_.log_density(std::fabs(x));
    if (l.hi == inf) return inf;
    if (l.hi == -inf) return 0;
    // exp of the double-double exponent keeps the density's ulps.
    return numeric::ratio(numeric::exp_scaled(l), total_);
}

double law_functions::logpdf(double x) const
{
    if (std::isnan(x)) return nan;
    if (x < xini_ || x > xfin_) return -inf;
    const numeric::dd l = kernel_.log_density(std::fabs(x));
    if (std::isinf(l.hi)) return l.hi;
    return to_double(l + -numeric::log(total_));
}

law_functions::tail_pair law_functions::tails(double x) const
{
    if (std::isnan(x)) return {nan, nan};
    if (x <= xini_) return {0, 1};
    if (x >= xfin_) return {1, 0};
    numeric::beta_integral::memo seen;
    const double below = numeric::ratio(mass(xini_, x, &seen), total_);
    if (below <= 0.5) return {below, 1 - below};
    const double above = numeric::ratio(mass(x, xfin_, &seen), total_);
    return {1 - above, above};
}

double law_functions::moment(int k) const
{
    if (k < 0) numeric::fail(numeric::failure_kind::refused, false, "k=%d: a moment's order must be >= 0", k);
    if (k == 0) return 1;
    const numeric::beta_integral power(static_cast<double>(M_) + k, H_, r0_, M_);
    double result = 0;
    if (xfin_ > 0) result += numeric::ratio(power.mass(std::max(xini_, 0.0), xfin_), total_);
    if (xini_ < 0) {
        const double negative = numeric::ratio(power.mass(std::max(-xfin_, 0.0), -xini_), total_);
        result += (k % 2 == 0) ? negative : -negative;
    }
    return result;
}

double law_functions::variance() const
{
    const double mu = moment(1);
    const double plain = moment(2) - mu * mu;
    // E[X^2] - E[X]^2 loses the bits by which E[X]^2 exceeds the variance:
    // beyond 4 of them (laws narrow beside their distance from 0) the moments
    // are taken about the mean itself, by quadrature in offsets from it,
    // where no branch point at +-1 is in the way.
    if (plain > mu * mu / 16 || (kernel_.branch_at_one() && (xini_ == -1 || xfin_ == 1))) return std::max(plain, 0.0);
    const double a = std::clamp(mu, xini_, xfin_);
    numeric::scaled second, first_above, first_below;
    // first_above and first_below gather the positive and negative parts of
    // E[X - a] times the total (masses are kept non-negative).
    const auto negated = [](numeric::scaled v) { return numeric::scaled{-v.m, v.e}; };
    const auto side = [&](double lo, double hi, double centre, bool mirrored) {
        // x - a = t - centre on the positive side, -(t - centre) mirrored.
        const double cut = std::clamp(centre, lo, hi);
        if (lo < cut) {
            second = second + kernel_.weighted_mass(lo, cut, centre, 2);
            const numeric::scaled part = negated(kernel_.weighted_mass(lo, cut, centre, 1));  // >= 0
            if (mirrored) first_above = first_above + part;
            else first_below = first_below + part;
        }
        if (cut < hi) {
            second = second + kernel_.weighted_mass(cut, hi, centre, 2);
            const numeric::scaled part = kernel_.weighted_mass(cut, hi, centre, 1);  // >= 0
            if (mirrored) first_below = first_below + part;
            else first_above = first_above + part;
        }
    };
    if (xfin_ > 0) side(std::max(xini_, 0.0), xfin_, a, false);
    if (xini_ < 0) side(std::max(-xfin_, 0.0), -xini_, -a, true);
    const double shift = numeric::ratio(first_above, total_) - numeric::ratio(first_below, total_);
    return std::max(0.0, numeric::ratio(second, total_) - shift * shift);
}

double pdf(double xini, double xfin, double H, int M, double x) { return law_functions(xini, xfin, H, M).pdf(x); }
double logpdf(double xini, double xfin, double H, int M, double x) { return law_functions(xini, xfin, H, M).logpdf(x); }
double cdf(double xini, double xfin, double H, int M, double x) { return law_functions(xini, xfin, H, M).cdf(x); }
double sf(double xini, double xfin, double H, int M, double x) { return law_functions(xini, xfin, H, M).sf(x); }
double moment(double xini, double xfin, double H, int M, int k) { return law_functions(xini, xfin, H, M).moment(k); }
double mean(double xini, double xfin, double H, int M) { return law_functions(xini, xfin, H, M).mean(); }
double variance(double xini, double xfin, double H, int M) { return law_functions(xini, xfin, H, M).variance(); }
std::pair<double, double> support(double xini, double xfin, double H, int M)
{
    refuse_bad_law(xini, xfin, H, M);
    return {xini, xfin};
}

}  // namespace sin_cos::detail
