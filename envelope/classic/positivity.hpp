#pragma once

#include "envelope/classic/settings.hpp"

namespace envelope {

// Scans [xini, xfin] for a negative density; refuses the answers (status 255)
// on one.
void check_g_positive(const settings& s, double xini, double xfin);

}  // namespace envelope
