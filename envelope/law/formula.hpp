#pragma once

#include <cmath>

namespace sin_cos::detail {

// x^M * sqrt(1 - x^2)^(H - 1) by the tool's own arithmetic, for any x: both
// constructions evaluate the density this way, the classic one because its
// tables are compared bit for bit with those it has always written, the tight
// one so that its heights compare with the same doubles. sin_cos::detail::density, which
// multiplies x^M out, is what a reader draws against.
inline double density_formula(double x, double H, int M)
{
    // pow(y, 0) is 1 for every y, and pow(r, 1) is r, being exact and
    // representable: skipping those two calls gives the same doubles.
    const double t = M == 0 ? 1.0 : std::pow(x, static_cast<double>(M));
    const double r = std::sqrt(1 - x * x);
    const double e = H - 1;
    const double s = e == 0.0 ? 1.0 : e == 1.0 ? r : std::pow(r, e);
    return s * t;
}

// Where the density is stationary for M > 0: at -xm and xm, with
// xm = sqrt(M / (M + H - 1)); for M = 0 its one peak is at 0.
inline double stationary_point(double H, int M)
{
    const double m = M;
    return std::sqrt(m / ((m + H) - 1));
}

}  // namespace sin_cos::detail
