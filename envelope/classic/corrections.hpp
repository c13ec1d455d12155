#pragma once

#include <vector>

#include "envelope/classic/state.hpp"
#include "envelope/table.hpp"

namespace envelope {

// Pins x[n] at last_edge (pinned_last_edge of the calibration's target), enlarges *a by the
// returned correction factor (at least 1.001) and fills the heights
// f1[0..n-1]; every bin whose height is below the density's maximum on it is
// added to *low, in order.
double corrections(state& st, double last_edge, double x[], double f1[], double* a, int n, std::vector<low_bin>* low);

}  // namespace envelope
