#pragma once

namespace driver {

// Asks for xini, xfin, H, M and n on the console. A failed read keeps the
// value the parameter had; H and M are asked again until H >= 1 (and finite)
// and M is even and >= 0.
void in_out(int* n, double* xini, double* xfin, double* H, int* M);

}  // namespace driver
