#pragma once

#include <vector>

#include "envelope/classic/corrections.hpp"
#include "envelope/classic/settings.hpp"

namespace envelope {

// Calibrates and corrects the envelope afresh with settings under which a
// sound table can be reached (the first ones otherwise): maxima over the
// bins' parts inside the domain, the domain end itself as the target, edges
// accurate against the bin width, and a bisection that stops once the last
// edge is within a small fraction of the last bin's width. a0 is the density's
// integral divided by n. Fills x and f1 like find_a and corrections, leaves
// the corrected area in *a, its low bins in *low and returns the correction
// factor. Throws a numerical failure when no area brackets the target.
double recalibrate(const settings& first, double a0, double x[], double f1[], double* a, int n,
                   std::vector<low_bin>* low);

}  // namespace envelope
