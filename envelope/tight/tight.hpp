#pragma once

#include <vector>

#include "envelope/law/shape.hpp"
#include "envelope/progress.hpp"
#include "envelope/table.hpp"

namespace envelope {

// An envelope of n equal-area bins over the law x^M (1 - x^2)^((H - 1)/2) on [xini, xfin]
// with the smallest common area that n bins allow, plus the margin, its last
// edge xfin exactly. Every height is at least factor times the density's maximum over its bin's
// part of [xini, xfin], that maximum taken from the stationary points and the
// ends, for answers that passed check_answers. A density whose integral is zero, a domain narrower than
// n + 1 doubles and an H so large (beyond about 1.8e12) that the density
// computed in doubles steps between its stationary points are numerical
// failures (status 1). Both throw numeric::failure. After each trial layout
// the observer, if any, hears how far that layout's n-th edge lies from xfin
// (the bins it needs beyond or short of n, in mean bin widths of x).
built build_tight(const sin_cos::detail::shape& law, double xini, double xfin, int n, build_observer* observer);

}  // namespace envelope
