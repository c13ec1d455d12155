#pragma once

#include "numeric/double_double.hpp"
#include "numeric/scaled.hpp"

namespace numeric {

// The integral of x^m (1 - x^2)^c over sub-intervals of [0, 1], an incomplete
// beta function of x^2 with a = (m + 1)/2, b = c + 1, for an integer m >= 0
// and c = (H - 1)/2 > -1 (H finite). Every value is taken relative to a
// reference density, r0^m0 (1 - r0^2)^c (the largest a law reaches, so that
// nothing it needs overflows, and what underflows is negligible beside it),
// and kept in scale: no range of m or H loses it.
//
// Three regions of x, chosen from a and b alone:
// - [0, x_lo]: the series x^(m+1) (1-x^2)^(c+1)/(m+1) sum (a+b)_n/(a+1)_n x^(2n),
//   of positive terms whose ratios stay below 3/4;
// - [x_up, 1]: the same prefactor over H + 1 times sum (a+b)_n/(b+1)_n (1-x^2)^n
//   for the integral from x to 1, likewise;
// - between them, when both series would converge slowly (large a or b, near
//   the peak): Gauss-Legendre panels walked outward from the density's
//   largest point, each a few e-folds wide, kept away from the branch point at
//   x = 1, and stopped where the rest is below 2^-60 of the sum.
// The prefactor's exponent is formed in double-double, so the relative error
// does not grow with the exponent's size (1e-300 tails, m = 2^31, H = 1e300).
// A difference of two series values is taken only where it loses at most one
// bit; otherwise the interval is integrated directly.
class beta_integral {
public:
    // power m (an integer >= 0), H > -1, the reference point r0 in [0, 1) and
    // its power m0 (r0 > 0 unless m0 == 0). r0 = 1 is allowed when H == 1.
    beta_integral(double m, double H, double r0, double m0);

    // The series' values one caller has computed, for its next mass() calls
    // at the same points (a cdf and its sf at x share the series at x).
    struct memo {
        double x[2];
        bool lower[2];
        scaled value[2];
        int count = 0;
    };

    // The integral over [u, v], 0 <= u < v <= 1, over the reference density.
    scaled mass(double u, double v, memo* seen = nullptr) const;

    // ln(x^m (1 - x^2)^c) minus the reference's, for 0 <= x <= 1 (+-infinity
    // where the density is 0 or infinite).
    dd log_density(double x) const;

    // The integral of (x - a)^k x^m (1 - x^2)^c over [u, v], 0 <= u < v <= 1,
    // k = 1 or 2 (for the moments about a point; with k = 1 the mantissa is
    // negative where x < a), by quadrature alone: not where (1 - x^2)^c has
    // a branch point at v = 1 (branch_at_one()).
    scaled weighted_mass(double u, double v, double a, int k) const { return quadrature(u, v, a, k); }
    bool branch_at_one() const { return branch_at_one_; }

    double lower_split() const { return x_lo_; }
    double upper_split() const { return x_up_; }

    // Keeps the series' value at x (and, at the first call, the integrals
    // over the regions' boundaries and the gap between them) for every later
    // mass() with x as an end: a law pins its ends, so that each of its values
    // costs one series or one walk. Not to be called while other threads use
    // the object.
    void pin(double x);

private:
    struct exponent_parts {
        dd phi;   // ln(density(x) / reference)
        dd ln_x;  // ln x
        dd ln_y;  // ln(1 - x^2)
    };
    exponent_parts exponent(double x, bool need_ln_y) const;

    scaled lower_series(double x, memo* seen = nullptr) const;  // integral over [0, x], x <= x_lo
    scaled upper_series(double x, memo* seen = nullptr) const;  // integral over [x, 1], x >= x_up
    scaled series(double x, bool lower, memo* seen) const;
    scaled lower_range(double u, double v, memo* seen) const;
    scaled upper_range(double u, double v, memo* seen) const;
    scaled quadrature(double u, double v, double a = 0, int k = 0) const;
    // The integral between p, where the density is largest, and end, of the
    // density times (t - a)^k.
    scaled walk(double p, double end, double a = 0, int k = 0) const;

    double m_;
    dd c_;            // (H - 1)/2
    double ch_;       // c as a double
    double a_, b_;    // (m + 1)/2, (H + 1)/2
    double h1_;       // H + 1
    double r0_;
    dd k_;            // m0 ln r0
    dd y0_;           // 1 - r0^2
    dd ln_y0_;
    bool branch_at_one_;  // (1 - x^2)^c is not a polynomial
    double x_lo_, x_up_;
    double x_mode_;   // where the density peaks on [0, 1] (0 or 1 at the ends)
    dd inv_y0_;       // 1 / (1 - r0^2)

    struct pinned {
        double x;
        bool lower;    // the lower series' value, or the upper's
        scaled value;
    };
    pinned pins_[8];
    int pin_count_ = 0;
    bool gap_pinned_ = false;
    scaled gap_;
    const pinned* find_pin(double x, bool lower) const;
};

}  // namespace numeric
