#pragma once

// The numbers of the table and plot files written straight into a buffer the
// caller sized: the files' bulk, at the pace of plain integer arithmetic.

#include <cstddef>

namespace sin_cos::text {

// Room for any one number: "%f" of the largest double has 309 digits before
// its point.
inline constexpr std::size_t number_room = 400;

// printf("%f", v) and printf("%20.16e", v) written at `at`, which has
// number_room bytes; each returns the end of what it wrote.
char* put_fixed6(char* at, double v);
char* put_sci16(char* at, double v);

}  // namespace sin_cos::text
