#pragma once

#include "numeric/ridders.hpp"

// Program-wide settings of the envelope construction. The driver sets them all
// before the first envelope operation; afterwards only Xlimit moves.
namespace envelope {

extern double Xini;  // domain of the density, both ends included
extern double Xfin;
extern double H;  // exponent of sqrt(1 - x^2) is H - 1; H >= 1
extern int M;     // exponent of x; even, >= 0

extern double Xlimit;  // target of the last bin edge during calibration

extern double Acc_interval;  // stride of the outward search, width of its bracket
extern double Acc_ridders;   // root finder tolerance and size of the final nudge
extern double Acc_a;         // tolerance on the last edge's distance from Xlimit

// Bin maxima over the bin's part inside [Xini, Xfin] rather than by the bare
// tables, whose chosen point may lie outside the domain (the sound recalibration).
extern bool Clip_maxima;
// corrections() reports bins below their maximum on standard error.
extern bool Warn_low_bins;

// Bin residual: (left edge, candidate right edge, wanted area) -> double.
using residual_func = numeric::root_function;

}  // namespace envelope
