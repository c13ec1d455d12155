#pragma once

#include "envelope/tight/layout.hpp"

namespace envelope::tight {

// Turns a layout that reaches xfin in fewer than n bins into one of n bins,
// halving the widest bin again and again: both halves of a bin stay under its
// area. Needs a domain of at least n + 1 doubles.
void split_to(const density& d, int n, layout* l);

}  // namespace envelope::tight
