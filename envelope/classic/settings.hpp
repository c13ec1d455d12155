#pragma once

#include "envelope/progress.hpp"

namespace envelope {

// The factor the classic calibration multiplies or divides a trial area by
// while it brackets the area whose last edge reaches Xlimit.
inline constexpr double area_scale = 1.2;

// The settings of one envelope construction.
struct settings {
    double Xini, Xfin;  // domain of the density, both ends included
    double H;           // exponent of sqrt(1 - x^2) is H - 1; H >= 1
    int M;              // exponent of x; even, >= 0

    double Xlimit;  // target of the last bin edge during calibration

    double Acc_interval;  // stride of the outward search, width of its bracket
    double Acc_ridders;   // root finder tolerance and size of the final nudge
    double Acc_a;         // tolerance on the last edge's distance from Xlimit

    // Bin maxima over the bin's part inside [Xini, Xfin] rather than by the
    // bare tables, whose chosen point may lie outside the domain (the sound
    // recalibration).
    bool Clip_maxima;

    // Told about every calibration pass; none in a library build.
    build_observer* Observer;
};

// The tool's start-up values: the accuracy settings, the default density
// (H = 2, M = 4 on [-1, 1]), no target yet, bare maxima, no hook.
settings start_up();

// The start-up values with the density x^M (1 - x^2)^((H-1)/2) on [xini, xfin].
settings for_density(double H, int M, double xini, double xfin);

}  // namespace envelope
