#pragma once

#include <string>

namespace envelope {

// Largest correction factor a sound table may need: above it the calibration
// failed and rescuing the last bin at least doubled the whole envelope.
inline constexpr double max_sound_factor = 2.0;

// True when the corrected envelope can be sampled from: every bin has a
// positive width and a finite height at least the density's maximum on it,
// the area is finite and positive, and the correction factor is at most 2.
// Otherwise false, with the first fault found in *why.
bool table_is_sound(const double x[], const double f1[], double a, double factor, int n, std::string* why);

// The same without the bound on the correction factor: the envelope covers its
// density, whatever its loss.
bool table_is_valid(const double x[], const double f1[], double a, int n, std::string* why);

}  // namespace envelope
