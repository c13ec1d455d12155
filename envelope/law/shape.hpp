#pragma once

#include <cmath>

#include "sin_cos/law.hpp"

namespace sin_cos::detail {

// The law's shape x^M (1 - x^2)^((H-1)/2), whatever interval it is cut to:
// the one place its density, its stationary points, its maximum on an
// interval and its integral are answered. Both constructions, the soundness
// check and the law's functions ask it.
struct shape {
    double H;
    int M;

    // As a reader draws against it: x^M multiplied out (sin_cos::density).
    double density(double x) const { return sin_cos::density(x, H, M); }

    // By the tool's own arithmetic, pow of the square root, for any x. It
    // differs from density() in the last bits, and both constructions keep
    // it: the classic one because its tables are compared bit for bit with
    // those it has always written, the tight one so that its heights compare
    // with the same doubles.
    double construction_density(double x) const
    {
        // pow(y, 0) is 1 for every y, and pow(r, 1) is r, being exact and
        // representable: skipping those two calls gives the same doubles.
        const double t = M == 0 ? 1.0 : std::pow(x, static_cast<double>(M));
        const double r = std::sqrt(1 - x * x);
        const double e = H - 1;
        const double s = e == 0.0 ? 1.0 : e == 1.0 ? r : std::pow(r, e);
        return s * t;
    }

    // The density from x and 1 - x^2 given apart: near +-1, where 1 - x*x has
    // lost its precision, the integral gives it as u (2 - u), u = 1 - |x|.
    double density_by_parts(double x, double one_minus_x2) const
    {
        // As in construction_density: pow(y, 0) is 1 and pow(y, 1) is y, so
        // skipping those calls gives the same doubles.
        const double e = (H - 1) / 2;
        const double s = e == 0.0 ? 1.0 : e == 1.0 ? one_minus_x2 : std::pow(one_minus_x2, e);
        const double t = M == 0 ? 1.0 : std::pow(x, static_cast<double>(M));
        return s * t;
    }

    // xm = sqrt(M / (M + H - 1)): for M > 0 the density is stationary at -xm
    // and xm.
    double stationary_point() const
    {
        const double m = M;
        return std::sqrt(m / ((m + H) - 1));
    }

    // Its stationary points in increasing order, into `at`: -xm and xm, or for
    // M = 0 its one peak at 0. Returns how many.
    int stationary_points(double at[2]) const
    {
        if (M == 0) {
            at[0] = 0.0;
            return 1;
        }
        const double xm = stationary_point();
        at[0] = -xm;
        at[1] = xm;
        return 2;
    }

    // The density's (density()) maximum on [x0, x1]: the larger end, or a
    // stationary point inside.
    double maximum(double x0, double x1) const;

    // Its integral over [xini, xfin] to about `relative`, for
    // -1 <= xini < xfin <= 1, a finite H >= 1 and an even M >= 0. Where
    // `relative` is one of the accuracies below, the coarser ones of the same
    // integral come with it and are kept, the last law's on each thread: a
    // build asks for the same integral to the construction's accuracy and then
    // to the soundness check's.
    double integral(double xini, double xfin, double relative = construction_accuracy) const;

    // The accuracies the library asks the integral for, finest first.
    static constexpr double construction_accuracy = 1e-13;
    // Far tighter than the acceptance rate needs, and quick on a table of any width.
    static constexpr double soundness_accuracy = 1e-9;
    // Enough to tell a table that cannot be calibrated or is too slow to draw from.
    static constexpr double precheck_accuracy = 1e-6;
};

}  // namespace sin_cos::detail
