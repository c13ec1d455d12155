#pragma once

#include <cmath>

#include "envelope/envelope.hpp"

namespace envelope {

// x^M * sqrt(1 - x^2)^(H - 1) by the tool's arithmetic, for any x: the
// formula behind g1, shared with the calibrations that take H and M as values.
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

// x^M * sqrt(1 - x^2)^(H - 1) on [Xini, Xfin], 0 outside (and for NaN).
inline double g1(const settings& s, double x)
{
    if (!(x >= s.Xini && x <= s.Xfin)) return 0.0;  // NaN fails both comparisons
    return density_formula(x, s.H, s.M);
}

// Maximum of g1 on the bin [x0, x1], from the stationary points and the ends
// (over the bin's part inside the domain when Clip_maxima is set).
double g1_Deltax_max(state& st, double x0, double x1);

// The density's true maximum on [x0, x1]: over the bin's part inside the domain.
double g1_max_in_domain(state& st, double x0, double x1);

// Area of the bin's rectangle minus the wanted area.
double g1_Deltax(state& st, double x0, double x1, double area);

}  // namespace envelope
