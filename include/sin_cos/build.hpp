#pragma once

// Tables built in process: the very tables sin_cos writes.

#include <vector>

#include "law.hpp"
#include "table.hpp"

namespace sin_cos {

// The table sin_cos writes for the answers xini, xfin, H, M, n: the same
// edges and area, double for double, and the same loss before its rounding to
// six decimals; the last edge is xfin. Prints nothing and writes no file.
// Throws build_error where the tool would stop (refused: the law or n breaks
// a rule, validate_build; numerical: no sound table); the next build is
// unaffected. Every build owns its state: calls from several threads run side
// by side.
table build_table(const law& l, int n, mode m = mode::classic);

// The tables of several laws with n bins each, in the laws' order, built side
// by side on every core; each is the table build_table gives for its law.
// When laws cannot be built, the build_error is that of the first of them in
// the given order, its message starting with the law ("law 2 (xini=-1,
// xfin=1, H=2.5, M=3): "); no law after it is started. An empty set of laws
// is error (invalid_argument): "build_tables: no law was given".
std::vector<table> build_tables(const std::vector<law>& laws, int n, mode m = mode::classic);

}  // namespace sin_cos
