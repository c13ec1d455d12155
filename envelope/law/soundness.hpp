#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace sin_cos::detail {

// A table as its file stores it: the header's values and the n + 1 bin edges,
// the last one the header's xfin.
struct stored_table {
    double H;
    int M;
    double xini, xfin;
    double loss;  // percent
    double a;
    const double* edges;
    std::size_t n;
};

// Lines of the table file: the header, then edge i on first_edge_line + i.
inline constexpr int header_line = 4;
inline constexpr int first_edge_line = 5;

// The header prints xini with six decimals where that reads back; the first
// edge carries it exactly.
inline constexpr double header_rounding = 5e-7 * (1 + 1e-9);

// The lowest acceptance rate (integral over n a) a table may have. A draw
// makes 1 / rate proposals on average, about 20 to 40 ns each in C where the
// density takes pow: at 1e-7 a draw takes 0.2 to 0.4 s, and a simulation can
// wait for that once in a while; at 1e-8 it takes seconds, and C, C++ and
// Fortran draws cannot be interrupted.
inline constexpr double min_acceptance = 1e-7;

struct fault {
    bool malformed;  // not a table at all; otherwise a table that cannot be drawn from
    int line;        // the file's line the fault is on, 0 if none
    std::string what;
    double slow_rate = 0;  // the acceptance rate, where the fault is that it is below min_acceptance
};

// What a table must be to be drawn from: finite answers the tool accepts,
// increasing edges from xini with the last below xfin, every bin's height
// a / width finite and at least the density's maximum on it, a positive finite
// integral and an acceptance rate not below min_acceptance. The first fault
// found, or nothing. The loss is a statement about the table and no condition
// of drawing from it: the default calibration states its own integral's
// estimate, which can be far from the exact figure of an envelope that covers
// its density, so only a loss that is not a number is refused.
std::optional<fault> soundness_fault(const stored_table& t);

}  // namespace sin_cos::detail
