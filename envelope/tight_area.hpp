#pragma once

#include "envelope/tight.hpp"
#include "envelope/tight_layout.hpp"

namespace envelope::tight {

// The largest v = total / area (within the tolerances) whose layout makes at
// most n bins; best receives that layout. Throws a numerical failure when no
// area lays the bins. told, if not empty, hears of every layout.
double calibrate(const density& d, double total, int n, const tight_progress& told, layout* best);

}  // namespace envelope::tight
