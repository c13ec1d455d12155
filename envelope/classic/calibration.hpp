#pragma once

#include "envelope/classic/state.hpp"
#include "envelope/table.hpp"

namespace envelope {

// Calibrates the common bin area so that n bins laid out from x[0] end at
// Xlimit, starting from area a. Returns the high end of the final bracket;
// x[1..n] keep the edges of the last layout made.
double find_a(state& st, double a, double x[], int n);

// The table as the tool has always calibrated it, before any check: the
// density's integral by qromb, the area by find_a, then corrections. Its
// edges end with x[n] pinned to the target; its low bins are those
// corrections found.
built calibrated_table(state& st, int n);

}  // namespace envelope
