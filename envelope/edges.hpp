#pragma once

#include "envelope/envelope.hpp"

namespace envelope {

// Steps right from x0 by step until func(x0, p, area) turns positive; returns
// that p, or the sentinel Xlimit + 1 once p has passed Xlimit.
double root1(residual_func func, double x0, double step, double area);

// Right edge of the bin of area a that starts at x0, at or just left of the
// residual's zero; Xlimit + 1 when it lies past Xlimit.
double find_x(double x0, double a);

// Lays out x[1..n] from x[0], each bin of area a.
void find_x_all(double a, double x[], int n);

}  // namespace envelope
