#pragma once

namespace envelope {

// Calibrates and corrects the envelope afresh with settings under which a
// sound table can be reached: maxima over the bins' parts inside the domain,
// the domain end itself as the target, edges accurate against the bin width,
// and a bisection that stops once the last edge is within a small fraction of
// the last bin's width. a0 is the density's integral divided by n. Fills x and
// f1 like find_a and corrections, leaves the corrected area in *a and returns
// the correction factor. Ends the process (status 1) when no area brackets the
// target.
double recalibrate(double a0, double x[], double f1[], double* a, int n);

}  // namespace envelope
