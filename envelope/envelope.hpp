#pragma once

#include "envelope/progress.hpp"
#include "numeric/ridders.hpp"

// Program-wide settings of the envelope construction, read everywhere under
// these names and assigned only by envelope/settings.cpp (start-up values,
// scoped guards, the moves of Xlimit), which is why they are read-only here.
namespace envelope {

namespace stored {
extern double xini, xfin, h;
extern int m;
extern double xlimit, acc_interval, acc_ridders, acc_a;
extern bool clip_maxima, warn_low_bins;
extern progress_hook progress;
}  // namespace stored

inline const double& Xini = stored::xini;  // domain of the density, both ends included
inline const double& Xfin = stored::xfin;
inline const double& H = stored::h;  // exponent of sqrt(1 - x^2) is H - 1; H >= 1
inline const int& M = stored::m;     // exponent of x; even, >= 0

inline const double& Xlimit = stored::xlimit;  // target of the last bin edge during calibration

inline const double& Acc_interval = stored::acc_interval;  // stride of the outward search, width of its bracket
inline const double& Acc_ridders = stored::acc_ridders;    // root finder tolerance and size of the final nudge
inline const double& Acc_a = stored::acc_a;                // tolerance on the last edge's distance from Xlimit

// Bin maxima over the bin's part inside [Xini, Xfin] rather than by the bare
// tables, whose chosen point may lie outside the domain (the sound recalibration).
inline const bool& Clip_maxima = stored::clip_maxima;
// corrections() reports bins below their maximum on standard error.
inline const bool& Warn_low_bins = stored::warn_low_bins;
// Told about every calibration pass; none in a library build.
inline const progress_hook& Progress = stored::progress;

// Bin residual: (left edge, candidate right edge, wanted area) -> double.
using residual_func = numeric::root_function;

}  // namespace envelope
