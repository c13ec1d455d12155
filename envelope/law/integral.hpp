#pragma once

namespace sin_cos::detail {

// The integral of x^M (1 - x^2)^((H - 1)/2) over [xini, xfin] to about
// `relative`, for -1 <= xini < xfin <= 1, a finite H >= 1 and an even M >= 0.
double integral(double H, int M, double xini, double xfin, double relative = 1e-13);

}  // namespace sin_cos::detail
