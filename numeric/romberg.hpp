#pragma once

namespace numeric {

using integrand = double (*)(double);

// Stage n of the trapezoid rule on [a, b]. Stages of one integral must be asked
// for in the order 1, 2, 3, ...: the running estimate lives between calls.
double trapzd(integrand func, double a, double b, int n);

// Neville's extrapolation through the points (xa[i], ya[i]), i = 1..n, to x.
// xa and ya are 1-based: element 1 is the first point.
void polint(const double xa[], const double ya[], int n, double x, double* y, double* dy);

// Romberg integration of func over [a, b] to a relative accuracy of 1e-6.
double qromb(integrand func, double a, double b);

// Simpson's rule built on the trapezoid stages.
double qsimp(integrand func, double a, double b);

// Last stage qromb runs before giving up (see romberg.cpp).
inline constexpr int qromb_stage_cap = 27;

}  // namespace numeric
