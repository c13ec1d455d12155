#pragma once

#include <optional>
#include <string>

#include "envelope/law/soundness.hpp"

namespace envelope {

// Largest correction factor a sound table may need: above it the calibration
// failed and rescuing the last bin at least doubled the whole envelope.
inline constexpr double max_sound_factor = 2.0;

// The loss as the table file keeps it, with six decimals.
double stored_loss(double loss);

// True when the table as its file stores it (the left edges x[0..n-1], xfin
// from the answers, the area a and the loss with six decimals) passes the
// test a reader of the file applies, and the correction factor is at most 2.
// Otherwise false, with the first fault found in *why.
bool table_is_sound(double H, int M, double xini, double xfin, const double x[], double a, double loss,
                    double factor, int n, std::string* why);

// The same without the bound on the correction factor: the envelope covers its
// density, whatever its loss.
bool table_is_valid(double H, int M, double xini, double xfin, const double x[], double a, double loss, int n,
                    std::string* why);

// The first fault table_is_valid finds, whole (an acceptance rate below the
// floor carries the rate), or nothing.
std::optional<sin_cos::detail::fault> table_fault(double H, int M, double xini, double xfin, const double x[], double a,
                                      double loss, int n);

}  // namespace envelope
