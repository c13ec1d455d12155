#pragma once

#include <string>
#include <vector>

#include "sin_cos/build.hpp"
#include "sin_cos/table.hpp"

namespace envelope {

using sin_cos::mode;

using sin_cos::margin;

// A bin whose height is below the density's maximum on it.
struct low_bin {
    int i;
    double f1, max, x0, x1;
};

// What a construction leaves: the table as its file holds it (edges[n] is
// xfin) and what the console and the plot need beside it.
struct built {
    sin_cos::table table;
    double x_end = 0.0;      // the last edge as the construction pinned it, which the plot shows
    std::vector<double> f1;  // heights f1[0..n-1]
    double a0 = 0.0;         // the density's integral divided by n
    double factor = 0.0;     // the correction factor the calibrated area was enlarged by
    bool recalibrated = false;
    std::string why;         // the fault of the first table, when it was recalibrated
    std::vector<low_bin> low_bins;  // bins below the density's maximum (a sound table has none)
};

}  // namespace envelope
