#pragma once

namespace envelope {

inline constexpr int max_bins = 100000;

// Refuses a bin count outside 1..max_bins and an interval the density is not
// defined on (anything but finite -1 <= xini < xfin <= 1): a refusal (status 255).
void refuse_bad_parameters(int n, double xini, double xfin);

// Refuses an odd or negative M and an H below 1 or not finite: a refusal.
void refuse_bad_exponents(double H, int M);

// Both, in that order: the one check of the answers before any build.
void refuse_bad_answers(double H, int M, double xini, double xfin, int n);

}  // namespace envelope
