#pragma once

// The lower-loss table pointed out: where the default calibration's table
// loses much more than --tight's would, one note on standard error.

#include <optional>
#include <string>

#include "envelope/parameters.hpp"

namespace driver {

// A --tight loss for the same answers: built at their n, or estimated from two
// tables of fewer bins.
struct tight_figure {
    double loss;
    bool estimated;
};

// At or below this many bins the --tight table is built whole.
inline constexpr int tight_built_whole_up_to = 2048;

// The --tight loss of these answers, built whole at up to
// tight_built_whole_up_to bins and above that extrapolated from tables of m
// and 2m bins, m = max(n / 64, 128): the staircase's excess over the density
// falls as n^-p with p between 0.8 and 1 (fitted from the two tables), so the
// estimate costs about 3/64 of a --tight build. Nothing when a table of these
// answers cannot be built --tight.
std::optional<tight_figure> tight_loss(const envelope::answers& checked);

// The --tight figure worth telling beside the default calibration's `loss`:
// the default loses at least 1 % and --tight at least ten times less.
// Nothing is built when the default loses less than 1 %.
std::optional<tight_figure> tight_loss_worth_telling(const envelope::answers& checked, double loss);

// The note, on standard error whatever it is: `about` names the law of a
// many-law run, or is empty.
std::string tight_note(const std::string& about, const tight_figure& tight, double loss);

// Both, for one default-calibrated table.
void compare_with_tight(const envelope::answers& checked, double loss);

}  // namespace driver
