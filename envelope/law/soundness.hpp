#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace law {

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

// Below this acceptance rate (integral over n a) a draw takes longer than any
// use can wait; the tool's loosest tables accept about 1e-6.
inline constexpr double min_acceptance = 1e-12;

struct fault {
    bool malformed;  // not a table at all; otherwise a table that cannot be drawn from
    int line;        // the file's line the fault is on, 0 if none
    std::string what;
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

}  // namespace law
