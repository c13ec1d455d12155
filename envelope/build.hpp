#pragma once

#include <string>
#include <vector>

#include "envelope/specified/corrections.hpp"
#include "envelope/progress.hpp"

namespace envelope {

// specified: the calibration the tool has always made, kept wherever its table
// is sound and recalibrated otherwise. tight: the sound calibration alone.
enum class mode { specified, tight };

// One histogram of the table.
struct table {
    std::vector<double> x;   // edges x[0..n]; x[n] is the pinned last edge
    std::vector<double> f1;  // heights f1[0..n-1]
    double a = 0.0;          // common bin area, corrected
    double a0 = 0.0;         // the density's integral divided by n
    double loss = 0.0;       // excess area of the envelope, in percent
    double factor = 0.0;     // the correction factor the calibrated area was enlarged by
    bool recalibrated = false;
    std::string why;         // the fault of the first table, when it was recalibrated
    // Bins below the density's maximum, of a table built without recalibration
    // (a sound table has none).
    std::vector<low_bin> low_bins;
};

// The whole construction of the table of the density x^M (1 - x^2)^((H-1)/2)
// on [xini, xfin] with n bins: the check of the answers, positivity scan,
// integral, calibration, corrections, soundness check and, unless
// recalibrate_unsound is false, recalibration. Every build owns its state:
// builds may run in parallel. Failures throw numeric::failure.
table build(double H, int M, double xini, double xfin, int n, mode m, build_observer* observer = nullptr,
            bool recalibrate_unsound = true);

}  // namespace envelope
