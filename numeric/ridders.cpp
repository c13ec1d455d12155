#include "numeric/ridders.hpp"

#include <cmath>

#include "numeric/error.hpp"

namespace numeric {

namespace {

constexpr int max_iterations = 600;
constexpr double unset = -1.11e30;

// True when v and fr have opposite signs, fr counting as positive when >= 0.
// An exact zero is never opposite; a NaN is opposite to everything.
bool opposite(double v, double fr) { return std::copysign(std::fabs(v), fr >= 0.0 ? 1.0 : -1.0) != v; }

}  // namespace

double zriddr(root_function func, double c1, double x1, double x2, double xacc, double c2)
{
    double fl = func(c1, x1, c2);
    double fh = func(c1, x2, c2);
    if (!((fl > 0.0 && fh < 0.0) || (fl < 0.0 && fh > 0.0))) {
        if (fl == 0.0) return x1;
        if (fh == 0.0) return x2;
        nrerror("root must be bracketed in zriddr.");
    }

    double xl = x1;
    double xh = x2;
    double ans = unset;
    for (int iteration = 1; iteration <= max_iterations; ++iteration) {
        const double xm = (xl + xh) * 0.5;
        const double fm = func(c1, xm, c2);
        const double s = std::sqrt(fm * fm - fl * fh);
        if (s == 0.0) return ans;
        const double sigma = fl >= fh ? 1.0 : -1.0;
        const double xnew = xm + (xm - xl) * (sigma * fm / s);
        if (std::fabs(xnew - ans) <= xacc) return ans;
        ans = xnew;
        const double fnew = func(c1, ans, c2);
        if (fnew == 0.0) return ans;
        if (opposite(fm, fnew)) {
            xl = xm;
            fl = fm;
            xh = ans;
            fh = fnew;
        } else if (opposite(fl, fnew)) {
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
