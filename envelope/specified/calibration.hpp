#pragma once

#include "envelope/specified/state.hpp"

namespace envelope {

// Calibrates the common bin area so that n bins laid out from x[0] end at
// Xlimit, starting from area a. Returns the high end of the final bracket;
// x[1..n] keep the edges of the last layout made.
double find_a(state& st, double a, double x[], int n);

}  // namespace envelope
