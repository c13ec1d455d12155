#pragma once

#include <bit>
#include <cstdint>
#include <optional>

#include "envelope/classic/memo.hpp"

namespace envelope {

inline std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

struct residual_key {
    // The right end first: it tells entries apart soonest, one search sharing its left edge and area.
    std::uint64_t x1, x0, area;
    bool operator==(const residual_key&) const = default;
};

// Pure values of the density and the residual under one state's settings.
// One search for an edge asks for the density at its left edge with every
// residual, and the root finder asks again for residuals that the outward
// search or its own last steps have just computed (the upper end of the
// bracket, the root for the nudge); the next edge starts where the last one
// ended. A few recent values cover all of that.
struct residual_memo {
    std::optional<double> xm, at_minus_xm, at_xm, at_zero;
    memo<std::uint64_t, double, 1> left;        // the density at the current left edge
    memo<std::uint64_t, double, 3> right_ends;  // the density at recent right ends
    memo<residual_key, double, 2> residuals;

    // Computations of the density for bin maxima, and residuals asked for
    // (including those answered from memory).
    std::uint64_t densities = 0;
    std::uint64_t residuals_asked = 0;
};

}  // namespace envelope
