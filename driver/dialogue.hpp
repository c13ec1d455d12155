#pragma once

#include <cstdio>

#include "driver/scanf_reader.hpp"

namespace driver {

// Asks for xini, xfin, H, M and n, prompts on `out`, answers from `in`: a
// failed read keeps the value the parameter had; H and M are asked again until
// H >= 1 (and finite) and M is even and >= 0. What a read could not take as
// the user meant it is told on `notes`. Throws numeric::failure (a refusal)
// when the input ends while H or M is refused, and for an n that does not fit
// an int.
void in_out(scanf_reader& in, std::FILE* out, std::FILE* notes, int* n, double* xini, double* xfin, double* H,
            int* M);

}  // namespace driver
