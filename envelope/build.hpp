#pragma once

#include "envelope/parameters.hpp"
#include "envelope/progress.hpp"
#include "envelope/table.hpp"

namespace envelope {

// The whole construction of the table of the density x^M (1 - x^2)^((H-1)/2)
// on [xini, xfin] with n bins, for answers that passed their check: positivity scan,
// integral, calibration, corrections, soundness check and recalibration
// (specified: the calibration the tool has always made, kept wherever its
// table is sound and recalibrated otherwise; tight: the sound calibration
// alone). Every build owns its state: builds may run in parallel. Failures
// throw numeric::failure.
built build(const answers& given, mode m, build_observer* observer = nullptr);

}  // namespace envelope
