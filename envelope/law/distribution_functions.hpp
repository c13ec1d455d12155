#pragma once

// The law of density x^M (1 - x^2)^((H-1)/2) on [xini, xfin] as a distribution:
// its normalised density, distribution and survival functions, moments. Valid
// for every finite H > -1 (H < 1: unbounded but integrable at +-1; H = 0 the
// uniform angle), every even M >= 0 up to 2147483646 and -1 <= xini < xfin <= 1.
//
// Accuracy: cdf and sf to a relative 1e-14 wherever they exceed 1e-300 (the
// upper tail is 1 - sf, never a difference of two values near 1; measured:
// 1e-15 against 50 digits); pdf and logpdf to a few ulps. Successive values of
// the cdf may step back by up to 2 ulps where its true step between adjacent
// doubles is smaller than its rounding. Cost of a cdf: under a microsecond
// through a `distribution` (which keeps the normalising integral) on laws of
// moderate H and M, 2 to 5 microseconds one call at a time; 3 to 6
// microseconds kept where H or M is large enough that the peak is integrated
// by quadrature (H = 1e6, 1.8e12).

#include <utility>

#include "numeric/beta_integral.hpp"
#include "numeric/scaled.hpp"

namespace sin_cos::detail {

class law_functions {
public:
    // Refuses (numeric::failure, kind refused) a law outside the domain above.
    law_functions(double xini, double xfin, double H, int M);

    double pdf(double x) const;
    double logpdf(double x) const;
    double cdf(double x) const { return tails(x).cdf; }
    double sf(double x) const { return tails(x).sf; }

    // cdf and sf from one integral: the smaller of the two is the integral
    // over its side, the other 1 minus it, so cdf + sf = 1 to an ulp.
    struct tail_pair {
        double cdf, sf;
    };
    tail_pair tails(double x) const;

    // E[X^k], k >= 0. Odd moments of intervals across 0 are differences of
    // the two sides: exact to a few ulps of E[|X|^k], not of their own size.
    double moment(int k) const;
    double mean() const { return moment(1); }
    // E[X^2] - E[X]^2, computed about the law's centre; see the docs for the
    // loss on laws much narrower than their distance from 0.
    double variance() const;
    std::pair<double, double> support() const { return {xini_, xfin_}; }

    // The integral of the density over [u, v] (clipped to the support), in
    // units of the density at reference(): the piece a quantile builder adds
    // up. The normalising integral is mass(xini, xfin) = total().
    numeric::scaled mass(double u, double v) const { return mass(u, v, nullptr); }
    numeric::scaled total() const { return total_; }
    double reference() const { return r0_; }

private:
    numeric::scaled mass(double u, double v, numeric::beta_integral::memo* seen) const;

    double xini_, xfin_, H_;
    int M_;
    double r0_;
    numeric::beta_integral kernel_;
    numeric::scaled total_;
};

// The same, one law a call (its normalising integral computed each time).
double pdf(double xini, double xfin, double H, int M, double x);
double logpdf(double xini, double xfin, double H, int M, double x);
double cdf(double xini, double xfin, double H, int M, double x);
double sf(double xini, double xfin, double H, int M, double x);
double moment(double xini, double xfin, double H, int M, int k);
double mean(double xini, double xfin, double H, int M);
double variance(double xini, double xfin, double H, int M);
std::pair<double, double> support(double xini, double xfin, double H, int M);

}  // namespace sin_cos::detail
