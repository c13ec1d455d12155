#pragma once

#include <cmath>

#include "envelope/law/shape.hpp"
#include "envelope/classic/state.hpp"

namespace envelope {

// x^M * sqrt(1 - x^2)^(H - 1) on [Xini, Xfin], 0 outside (and for NaN).
inline double g1(const settings& s, double x)
{
    if (!(x >= s.Xini && x <= s.Xfin)) return 0.0;  // NaN fails both comparisons
    return s.law().construction_density(x);
}

// Maximum of g1 on the bin [x0, x1], from the stationary points and the ends
// (over the bin's part inside the domain when Clip_maxima is set).
double g1_Deltax_max(state& st, double x0, double x1);

// The density's true maximum on [x0, x1]: over the bin's part inside the domain.
double g1_max_in_domain(state& st, double x0, double x1);

// Area of the bin's rectangle minus the wanted area.
double g1_Deltax(state& st, double x0, double x1, double area);

}  // namespace envelope
