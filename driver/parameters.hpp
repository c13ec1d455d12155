#pragma once

namespace driver {

inline constexpr int max_bins = 100000;  // capacity of the edge and height arrays, less one

// Refuses, before any file is touched, a bin count the arrays cannot hold and
// an interval the density is not defined on: message on standard output,
// exit status -1.
void refuse_bad_parameters(int n, double xini, double xfin);

}  // namespace driver
