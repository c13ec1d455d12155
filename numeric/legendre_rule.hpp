#pragma once

#include <array>

namespace numeric {

// The n-point Gauss-Legendre rule on [-1, 1], n = legendre_points: the nodes
// in increasing order and their weights, computed once by Newton's method on
// the Legendre polynomial in long double and rounded to doubles.
inline constexpr int legendre_points = 12;

struct legendre_rule {
    std::array<double, legendre_points> node;
    std::array<double, legendre_points> weight;
};

const legendre_rule& gauss_legendre_rule();

}  // namespace numeric
