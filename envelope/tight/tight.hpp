#pragma once

#include <vector>

#include "envelope/progress.hpp"

namespace envelope {

// An envelope of n equal-area bins over x^M (1 - x^2)^((H - 1)/2) on [xini, xfin]
// with the smallest common area that n bins allow, plus the margin.
struct tight_table {
    std::vector<double> x;   // n + 1 edges, x[0] = xini, x[n] = xfin exactly
    std::vector<double> f1;  // n heights, f1[i] * (x[i+1] - x[i]) == a up to rounding
    double a;                // common bin area, margin included
    double a0;               // integral of the density over [xini, xfin], divided by n
    double factor;           // the margin the area was enlarged by (1.001)
};


// Every height is at least factor times the density's maximum over its bin's
// part of [xini, xfin], that maximum taken from the stationary points and the
// ends. The answers pass the default mode's checks or are refused by them
// (status 255); a density whose integral is zero, a domain narrower than
// n + 1 doubles and an H so large (beyond about 1.8e12) that the density
// computed in doubles steps between its stationary points are numerical
// failures (status 1). Both throw numeric::failure. After each trial layout
// the observer, if any, hears how far that layout's n-th edge lies from xfin
// (the bins it needs beyond or short of n, in mean bin widths of x).
tight_table build_tight(double H, int M, double xini, double xfin, int n, build_observer* observer);

}  // namespace envelope
