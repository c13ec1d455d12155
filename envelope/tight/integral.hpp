#pragma once

#include "envelope/tight/density.hpp"

namespace envelope::tight {

// The density's integral over [xini, xfin] to a relative accuracy of about 1e-13.
double integral(const density& d);

}  // namespace envelope::tight
