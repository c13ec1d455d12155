#pragma once

#include <vector>

namespace check {

// The exact law of the density x^M (1 - x^2)^((H-1)/2) on [xini, xfin]:
// t = x^2 follows Beta((M+1)/2, (H+1)/2) on each side of 0.
class sin_cos_law {
public:
    sin_cos_law(double H, int M, double xini, double xfin);

    double cdf(double x) const;
    double pdf(double x) const;               // normalised on [xini, xfin]
    double integral() const { return integral_; }  // of the unnormalised density over [xini, xfin]
    // The integral over an envelope's area, computed where neither underflows.
    double rate(double envelope_area) const;

private:
    // Mass between a and b in units of the mass of [0, 1].
    double half_mass(double a, double b) const;
    double from_zero(double lo, double hi) const;

    double alpha_, beta_, H_;
    int M_;
    double xini_, xfin_;
    double mass_;      // half_mass(xini, xfin)
    double integral_;
    // Near 0, where x^2 underflows and 1 - x^2 is 1: the density is x^M, taken
    // in units of scale_ = max |x| so that its powers stay normal.
    bool tiny_ = false;
    double scale_ = 1;
    double scaled_mass_ = 0;  // integral over [xini, xfin] / scale_^(M+1)
    double scaled_power(double x) const;  // (x / scale_)^(M+1), odd in x
};

struct ks_result {
    double distance;
    double p_value;
};

// Kolmogorov-Smirnov test of the draws against the law; sorts the draws.
ks_result ks_test(std::vector<double>& draws, const sin_cos_law& law);

// P(sqrt(N) D > lambda) in the large-N limit.
double kolmogorov_survival(double lambda);

}  // namespace check
