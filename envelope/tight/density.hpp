#pragma once

// The density as the tight calibration sees it: its peaks, its values at the
// ends and its logarithmic derivatives.

#include <cmath>

#include "envelope/law/shape.hpp"
#include "envelope/table.hpp"

namespace envelope::tight {

struct density {
    sin_cos::detail::shape law{1, 0};
    double xini = -1;
    double xfin = 1;
    int peaks = 0;  // stationary maxima inside the domain
    double peak[2] = {};
    double at_peak[2] = {};
    double at_xini = 0;
    double at_xfin = 0;

    // The construction's arithmetic, so that heights compare bit for bit.
    double operator()(double x) const { return law.construction_density(x); }

    // First and second derivatives of the density's logarithm.
    double dlog(double x) const
    {
        const double s = law.M == 0 ? 0.0 : law.M / x;
        return law.H == 1 ? s : s - (law.H - 1) * x / (1 - x * x);
    }
    double d2log(double x) const
    {
        const double s = law.M == 0 ? 0.0 : -law.M / (x * x);
        const double y = 1 - x * x;
        return law.H == 1 ? s : s - (law.H - 1) * (1 + x * x) / (y * y);
    }

    // Maximum over [lo, hi], a part of the domain, given the density at both ends.
    double max_on(double lo, double g_lo, double hi, double g_hi) const
    {
        double best = g_lo > g_hi ? g_lo : g_hi;
        for (int i = 0; i < peaks; ++i) {
            if (lo <= peak[i] && peak[i] <= hi && at_peak[i] > best) best = at_peak[i];
        }
        return best;
    }
};

density make_density(const sin_cos::detail::shape& law, double xini, double xfin);

}  // namespace envelope::tight
