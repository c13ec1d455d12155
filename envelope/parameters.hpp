#pragma once

#include "sin_cos/law.hpp"

namespace envelope {

inline constexpr int max_bins = sin_cos::max_bins;

// Refuses a bin count outside 1..max_bins and an interval the density is not
// defined on (anything but finite -1 <= xini < xfin <= 1): a refusal (status 255).
void refuse_bad_parameters(int n, double xini, double xfin);

// Refuses an odd or negative M and an H below 1 or not finite: a refusal.
void refuse_bad_exponents(double H, int M);

// Both, in that order: the one check of the answers before any build.
void refuse_bad_answers(double H, int M, double xini, double xfin, int n);

// Answers that have passed refuse_bad_answers. Only check_answers makes them,
// and a build takes nothing else: every way to a table checks its answers
// once, where its caller can tell a refusal from what comes after.
class answers {
public:
    double H() const { return H_; }
    int M() const { return M_; }
    double xini() const { return xini_; }
    double xfin() const { return xfin_; }
    int n() const { return n_; }

private:
    answers(double H, int M, double xini, double xfin, int n) : H_(H), M_(M), xini_(xini), xfin_(xfin), n_(n) {}
    friend answers check_answers(double H, int M, double xini, double xfin, int n);
    double H_;
    int M_;
    double xini_, xfin_;
    int n_;
};

answers check_answers(double H, int M, double xini, double xfin, int n);

// Near x = 0, 1 - x*x moves in steps of 2^-53 and the density's factor
// (1 - x^2)^((H - 1)/2) drops by exp(-(H - 1) 2^-54) at each: the logarithm
// of that drop. Beyond a tenth of the margin 1.001 the density's maxima lie on
// those steps rather than at its stationary points, and two ordinary ways of
// computing it (the tool's and a simulation's) differ by more than the margin.
double density_step_drop(double H);
inline constexpr double max_step_drop = 1e-4;

// A numerical failure (status 1, naming H) when H is past what doubles can
// evaluate the density to within the margin, for every M: with M = 0 too the
// computed density is a staircase in 1 - x*x, and where it underflows past its
// first step it is a box of half-width 2^-27, not the law.
void refuse_unevaluable_H(double H);

}  // namespace envelope
