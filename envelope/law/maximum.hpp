#pragma once

namespace sin_cos::detail {

// The density's maximum on [x0, x1], from the closed form: the larger end, or
// a stationary point inside (+-sqrt(M / (M + H - 1)), or 0 when M = 0).
double maximum(double H, int M, double x0, double x1);

}  // namespace sin_cos::detail
