#pragma once

#include "envelope/progress.hpp"
#include "envelope/tight/layout.hpp"

namespace envelope::tight {

// The largest v = total / area (within the tolerances) whose layout makes at
// most n bins; best receives that layout. Throws a numerical failure when no
// area lays the bins. The observer, if any, hears of every layout.
double calibrate(const density& d, double total, int n, build_observer* observer, layout* best);

}  // namespace envelope::tight
