#pragma once

#include "envelope/law/shape.hpp"
#include "envelope/progress.hpp"

namespace envelope {

// The factor the classic calibration multiplies or divides a trial area by
// while it brackets the area whose last edge reaches Xlimit.
inline constexpr double area_scale = 1.2;

// Where the calibration aims the last edge: 0.5 / n past the domain's end
// (a quarter of a bin's width over [-1, 1], whatever the interval), as the
// tool has always aimed it.
inline double calibration_target(double xfin, int n) { return xfin + 0.5 / n; }

// Where the last edge is pinned once the area is calibrated: back by that
// half bin, which lands within rounding of xfin rather than on it (the plot
// file shows it).
inline double pinned_last_edge(double target, int n) { return target - 0.5 / n; }

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

    // The law this construction tabulates, as the law's room answers for it.
    sin_cos::detail::shape law() const { return {H, M}; }
};

// The tool's start-up values: the accuracy settings, the default density
// (H = 2, M = 4 on [-1, 1]), no target yet, bare maxima, no hook.
settings start_up();

// The start-up values with the law x^M (1 - x^2)^((H-1)/2) on [xini, xfin].
settings for_density(const sin_cos::detail::shape& law, double xini, double xfin);

}  // namespace envelope
