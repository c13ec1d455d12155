#pragma once

#include <cmath>

#include "numeric/error.hpp"

namespace numeric {

// What zriddr returns when its square-root term vanishes before it has made a
// first estimate (function values so small that their squares underflow): the
// starting value of its running estimate, never a root.
inline constexpr double zriddr_no_estimate = -1.11e30;

inline constexpr int zriddr_max_iterations = 600;

namespace detail {

// True when v and fr have opposite signs, fr counting as positive when >= 0.
// An exact zero is never opposite; a NaN is opposite to everything.
inline bool opposite(double v, double fr) { return std::copysign(std::fabs(v), fr >= 0.0 ? 1.0 : -1.0) != v; }

}  // namespace detail

// Ridders' method on the bracket [x1, x2] of func(x), to the absolute
// tolerance xacc; func is evaluated at x1, at x2 and then twice an iteration.
// Throws failure (status 1) when the ends do not bracket a root or the
// iteration limit is reached.
template <class Function>
double zriddr(Function&& func, double x1, double x2, double xacc)
{
    double fl = func(x1);
    double fh = func(x2);
    if (!((fl > 0.0 && fh < 0.0) || (fl < 0.0 && fh > 0.0))) {
        if (fl == 0.0) return x1;
        if (fh == 0.0) return x2;
        nrerror("root must be bracketed in zriddr.");
    }

    double xl = x1;
    double xh = x2;
    double ans = zriddr_no_estimate;
    for (int iteration = 1; iteration <= zriddr_max_iterations; ++iteration) {
        const double xm = (xl + xh) * 0.5;
        const double fm = func(xm);
        const double s = std::sqrt(fm * fm - fl * fh);
        if (s == 0.0) return ans;
        const double sigma = fl >= fh ? 1.0 : -1.0;
        const double xnew = xm + (xm - xl) * (sigma * fm / s);
        if (std::fabs(xnew - ans) <= xacc) return ans;
        ans = xnew;
        const double fnew = func(ans);
        if (fnew == 0.0) return ans;
        if (detail::opposite(fm, fnew)) {
            xl = xm;
            fl = fm;
            xh = ans;
            fh = fnew;
        } else if (detail::opposite(fl, fnew)) {
            xh = ans;
            fh = fnew;
        } else {
            xl = ans;
            fl = fnew;
        }
        if (std::fabs(xh - xl) <= xacc) return ans;
    }
    nrerror("zriddr exceed maximum iterations");
}

}  // namespace numeric
