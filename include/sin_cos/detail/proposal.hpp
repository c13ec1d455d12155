#pragma once

namespace sin_cos::detail {

// What a proposal reads from its bin.
struct alignas(32) proposal_bin {
    double x0, width, height, floor;
};

// A value under the density x^M (1 - x^2)^((H-1)/2) at every point the bin
// can propose. Computed in the library, once a table, so that no caller's
// flags can move it.
double density_floor(double x0, double width, double H, int M);

}  // namespace sin_cos::detail
