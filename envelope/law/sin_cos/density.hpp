#pragma once

// The density as a table's reader draws against it: the one definition that
// the loader's test, the tool's test of what it writes and the sampler share.

#include <cmath>

#include "sin_cos/unfused.hpp"

namespace law {

// The density's two factors, x^M and (1 - x^2)^((H-1)/2), for |x| <= 1.
inline double cos_factor(double x, int M)
{
    double xm = 1.0;
    double base = x;
    for (int e = M; e > 0; e >>= 1) {
        if (e & 1) xm *= base;
        base *= base;
    }
    return xm;
}

inline double sin_factor(double x, double H)
{
    if (H == 1.0) return 1.0;
    const double s = 1.0 - unfused(x * x);
    if (H == 2.0) return std::sqrt(s);
    if (H == 3.0) return s;
    return std::pow(s, 0.5 * (H - 1.0));
}

// Unnormalised density x^M (1 - x^2)^((H-1)/2) for |x| <= 1.
inline double density(double x, double H, int M) { return cos_factor(x, M) * sin_factor(x, H); }

}  // namespace law
