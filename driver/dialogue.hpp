#pragma once

#include <cstdio>
#include <string>

#include "driver/scanf_reader.hpp"

namespace driver {

// Asks for xini, xfin, H, M and n, prompts on `out`, answers from `in`: a
// failed read keeps the value the parameter had; H and M are asked again until
// H >= 1 (and finite) and M is even and >= 0. What a read could not take as
// the user meant it is told on `notes`. Throws numeric::failure (a refusal)
// when the input ends while H or M is refused, and for an n that does not fit
// an int. At a terminal an answer that cannot be read is asked again, its line
// dropped. Returns, when a refused answer made the answers after it move up a
// prompt (input from a pipe or a file), the line that tells the run's end
// which values the table is built from; otherwise nothing.
std::string in_out(scanf_reader& in, std::FILE* out, std::FILE* notes, int* n, double* xini, double* xfin,
                   double* H, int* M);

}  // namespace driver
