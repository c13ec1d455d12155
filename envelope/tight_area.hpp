#pragma once

#include <functional>

#include "envelope/tight_layout.hpp"

namespace envelope::tight {

// Called after each trial layout with the layouts made so far and about how
// far that layout's n-th edge lies from xfin.
using progress = std::function<void(int layouts, double distance)>;

// The largest v = total / area (within the tolerances) whose layout makes at
// most n bins; best receives that layout. Throws a numerical failure when no
// area lays the bins.
double calibrate(const density& d, double total, int n, const progress& told, layout* best);

}  // namespace envelope::tight
