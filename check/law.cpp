#include "check/law.hpp"

#include <algorithm>
#include <boost/math/special_functions/beta.hpp>
#include <cmath>
#include <numbers>

#include "sin_cos/table.hpp"

namespace check {

namespace {

// Double precision throughout: promoting to long double costs ten times the
// time for accuracy far beyond what a KS distance can resolve.
using double_policy = boost::math::policies::policy<boost::math::policies::promote_double<false>>;

}  // namespace

sin_cos_law::sin_cos_law(double H, int M, double xini, double xfin)
    : alpha_((M + 1) / 2.0), beta_((H + 1) / 2.0), H_(H), M_(M), xini_(xini), xfin_(xfin)
{
    scale_ = std::max(std::fabs(xini), std::fabs(xfin));
    // The density's factor (1 - x^2)^((H-1)/2) is 1 to far below an ulp there.
    tiny_ = scale_ < 1e-100 && (H - 1) * scale_ * scale_ < 1e-18;
    if (tiny_) {
        scaled_mass_ = (scaled_power(xfin) - scaled_power(xini)) / (M + 1);
        integral_ = scaled_mass_ * std::pow(scale_, M + 1);
        mass_ = 1;
        return;
    }
    narrow_ = xfin - xini < 1e-6 * scale_;
    if (narrow_) {
        integral_ = simpson(xini, xfin);
        mass_ = 1;
        return;
    }
    mass_ = half_mass(xini, xfin);
    integral_ = 0.5 * boost::math::beta(alpha_, beta_, double_policy()) * mass_;
}

double sin_cos_law::simpson(double a, double b) const
{
    const double m = a + (b - a) / 2;
    return (b - a) * (sin_cos::density(a, H_, M_) + 4 * sin_cos::density(m, H_, M_) + sin_cos::density(b, H_, M_)) / 6;
}

double sin_cos_law::scaled_power(double x) const { return std::pow(x / scale_, M_ + 1); }

double sin_cos_law::rate(double envelope_area) const
{
    if (!tiny_) return integral_ / envelope_area;
    return std::exp(std::log(scaled_mass_) + (M_ + 1) * std::log(scale_) - std::log(envelope_area));
}

double sin_cos_law::from_zero(double lo, double hi) const
{
    // Near x = 1 both regularised betas are close to 1: subtract complements there.
    const double t_lo = lo * lo;
    const double t_hi = hi * hi;
    const double below = boost::math::ibeta(alpha_, beta_, t_lo, double_policy());
    if (below < 0.5) return boost::math::ibeta(alpha_, beta_, t_hi, double_policy()) - below;
    return boost::math::ibetac(alpha_, beta_, t_lo, double_policy()) -
           boost::math::ibetac(alpha_, beta_, t_hi, double_policy());
}

double sin_cos_law::half_mass(double a, double b) const
{
    // The density is even, so the negative side mirrors the positive one.
    if (a >= 0) return from_zero(a, b);
    if (b <= 0) return from_zero(-b, -a);
    return from_zero(0, -a) + from_zero(0, b);
}

double sin_cos_law::cdf(double x) const
{
    if (!(x > xini_)) return 0;
    if (x >= xfin_) return 1;
    if (tiny_) return std::clamp((scaled_power(x) - scaled_power(xini_)) / (M_ + 1) / scaled_mass_, 0.0, 1.0);
    if (narrow_) return std::clamp(simpson(xini_, x) / integral_, 0.0, 1.0);
    return std::clamp(half_mass(xini_, x) / mass_, 0.0, 1.0);
}

double sin_cos_law::pdf(double x) const
{
    if (x < xini_ || x > xfin_) return 0;
    if (tiny_) return std::pow(x / scale_, M_) / (scaled_mass_ * scale_);
    return sin_cos::density(x, H_, M_) / integral_;
}

double kolmogorov_survival(double lambda)
{
    using std::numbers::pi;
    if (lambda <= 0) return 1;
    double sum = 0;
    if (lambda < 1.18) {
        // The alternating series converges slowly here; use its Jacobi-transformed form.
        const double c = pi * pi / (8 * lambda * lambda);
        for (int k = 1; k <= 20; ++k) sum += std::exp(-(2 * k - 1) * (2 * k - 1) * c);
        return std::clamp(1 - std::sqrt(2 * pi) / lambda * sum, 0.0, 1.0);
    }
    for (int k = 1; k <= 100; ++k) {
        const double term = std::exp(-2.0 * k * k * lambda * lambda);
        sum += (k % 2 == 1) ? term : -term;
        if (term < 1e-18) break;
    }
    return std::clamp(2 * sum, 0.0, 1.0);
}

ks_result ks_test(std::vector<double>& draws, const sin_cos_law& law)
{
    if (draws.empty()) return {0, 1};
    std::sort(draws.begin(), draws.end());
    const double n = static_cast<double>(draws.size());
    double d = 0;
    for (std::size_t i = 0; i < draws.size(); ++i) {
        const double f = law.cdf(draws[i]);
        d = std::max({d, f - static_cast<double>(i) / n, static_cast<double>(i + 1) / n - f});
    }
    const double root = std::sqrt(n);
    // Stephens' finite-sample correction of the asymptotic law.
    return {d, kolmogorov_survival((root + 0.12 + 0.11 / root) * d)};
}

}  // namespace check
