#pragma once

#include <optional>

#include "envelope/parameters.hpp"
#include "envelope/progress.hpp"
#include "envelope/table.hpp"

namespace envelope {

// The whole construction of the table of the density x^M (1 - x^2)^((H-1)/2)
// on [xini, xfin] with n bins, for answers that passed their check: positivity scan,
// integral, calibration, corrections, soundness check and recalibration
// (classic: the calibration the tool has always made, kept wherever its
// table is sound and recalibrated otherwise; tight: the sound calibration
// alone). Every build owns its state: builds may run in parallel. Failures
// throw numeric::failure.
// A table below the floor on the acceptance rate (sin_cos::detail::min_acceptance) is a
// numerical failure that names its rate and the bins that clear it.
built build(const answers& given, mode m, build_observer* observer = nullptr);

// The fewest bins, from `from` up to max_bins, whose --tight table of this law
// accepts at least sin_cos::detail::min_acceptance, found by building: from `from`
// doubling until a table clears it, then halving the gap between the last
// count that does not and the first that does; nothing when max_bins does not.
// The tables found below the floor have one or two bins around a peak a
// bin cannot follow (x^M with M beyond 10^7); one more bin takes the rate to
// a few percent, and the rate of --tight tables wobbles by a fifth between odd
// and even n only far above the floor: a count that clears it is followed by
// counts that do (a grid of 840 laws at n from 1 to 1000, n 1 to 50 for the
// peaked ones), so the count found is a threshold, not a lucky one.
std::optional<int> bins_for_rate(double H, int M, double xini, double xfin, int from);

}  // namespace envelope
