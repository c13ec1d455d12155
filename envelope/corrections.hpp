#pragma once

namespace envelope {

// Pins x[n] to the domain end, enlarges *a by the returned correction factor
// (at least 1.001) and fills the heights f1[0..n-1]; warns on standard error
// about any bin whose height is below the density's maximum on it.
double corrections(double x[], double f1[], double* a, int n);

}  // namespace envelope
