#include "envelope/law/maximum.hpp"

#include <cmath>

#include "envelope/law/formula.hpp"
#include "sin_cos/law.hpp"

namespace sin_cos::detail {

double maximum(double H, int M, double x0, double x1)
{
    const double g0 = density(x0, H, M);
    const double g1 = density(x1, H, M);
    double top = g0 > g1 ? g0 : g1;
    const auto consider = [&](double peak) {
        if (x0 < peak && peak < x1) top = std::fmax(top, density(peak, H, M));
    };
    if (M == 0) {
        consider(0.0);
    } else {
        const double xm = stationary_point(H, M);
        consider(-xm);
        consider(xm);
    }
    return top;
}

}  // namespace sin_cos::detail
