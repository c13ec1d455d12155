#pragma once

#include "envelope/tight_density.hpp"

namespace envelope::tight {

// Bins aim this much below their area so that rounding cannot lift them over it.
inline constexpr double shortfall = 1e-13;

struct edge {
    double x;
    double g;      // the density at x (at xfin when x lies past it)
    double width;  // x - x0, unrounded past xfin
};

// The right edge of the bin from x0 (density g0 there) at which the bin of area
// a stops fitting, within the tolerance; at or past xfin when the bin reaches
// the domain's end, placed there by the maximum over [x0, xfin]. s is the area
// before the margin, guess a first width to try.
edge next_edge(const density& d, double s, double a, double x0, double g0, double guess);

// A first width for the bin from x0 of area t at the density's height: exact
// on a falling side, from the density's local expansion on a rising one.
double guess_width(const density& d, double x0, double g0, double t, double previous);

}  // namespace envelope::tight
