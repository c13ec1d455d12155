#pragma once

// The law of density x^M (1 - x^2)^((H-1)/2) on [xini, xfin] inside [-1, 1]
// (the angle law sin(y)^H cos(y)^M dy with x = cos y), as a value, in the
// order the tool asks for it: xini, xfin, H, M.

#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "detail/unfused.hpp"

namespace sin_cos {

struct law {
    double xini = -1.0;
    double xfin = 1.0;
    double H = 2.0;
    int M = 4;
};

// The first rule a law breaks, in the order they are checked: the interval
// (finite, -1 <= xini < xfin <= 1), M (even, then >= 0), H (at least its
// lowest value, then finite).
enum class law_fault { none, interval, odd_M, negative_M, low_H, infinite_H };

// A law is a law for every finite H > -1; a table is built or drawn from only
// for H >= 1 (`for_table`).
law_fault fault_of(const law& l, bool for_table = false) noexcept;

// The message that names the values at fault ("M=3 must be a multiple of 2"),
// "" for law_fault::none.
std::string fault_message(const law& l, law_fault fault, bool for_table = false);

// Throws error (errc::refused) with fault_message for a law that breaks a rule.
void validate(const law& l, bool for_table = false);

// The most bins a table has.
inline constexpr int max_bins = 100000;

// A table's bin count: 1..max_bins.
inline bool valid_bins(int n) noexcept { return n >= 1 && n <= max_bins; }

// The rules of a table's build: n in 1..max_bins, checked before the law.
void validate_build(const law& l, int n);

// The density's two factors, x^M and (1 - x^2)^((H-1)/2), for |x| <= 1.
inline double cos_factor(double x, int M)
{
    double xm = 1.0;
    double base = x;
    for (int e = M; e > 0; e >>= 1) {
        if (e & 1) xm *= base;
        base *= base;
    }
    return xm;
}

inline double sin_factor(double x, double H)
{
    if (H == 1.0) return 1.0;
    const double s = 1.0 - detail::unfused(x * x);
    if (H == 2.0) return std::sqrt(s);
    if (H == 3.0) return s;
    return std::pow(s, 0.5 * (H - 1.0));
}

// Unnormalised density x^M (1 - x^2)^((H-1)/2) for |x| <= 1, as a table's
// reader draws against it.
inline double density(double x, double H, int M) { return cos_factor(x, M) * sin_factor(x, H); }

namespace detail {
class law_functions;
}

// The law as a distribution: its normalised density, distribution and
// survival functions, moments. Valid for every finite H > -1 (H < 1:
// unbounded but integrable at +-1; H = 0 the uniform angle), every even
// M >= 0 and -1 <= xini < xfin <= 1; throws error (refused) for any other.
//
// Accuracy: cdf and sf to a relative 1e-14 wherever they exceed 1e-300 (the
// upper tail is 1 - sf, never a difference of two values near 1); pdf and
// logpdf to a few ulps. Successive values of the cdf may step back by up to 2
// ulps where its true step between adjacent doubles is smaller than its
// rounding. The normalising integral is computed once, at construction:
// a cdf then takes under a microsecond on laws of moderate H and M. Copies
// share it; calls from several threads run side by side.
class law_functions {
public:
    explicit law_functions(const sin_cos::law& l);

    double pdf(double x) const;
    double logpdf(double x) const;
    double cdf(double x) const;
    double sf(double x) const;
    // E[X^k], k >= 0. Odd moments of intervals across 0 are differences of
    // the two sides: exact to a few ulps of E[|X|^k], not of their own size.
    double moment(int k) const;
    double mean() const { return moment(1); }
    // E[X^2] - E[X]^2, computed about the law's centre.
    double variance() const;
    std::pair<double, double> support() const { return {law_.xini, law_.xfin}; }
    const sin_cos::law& law() const { return law_; }

private:
    sin_cos::law law_;
    std::shared_ptr<const detail::law_functions> f_;
};

}  // namespace sin_cos
