#include <cmath>

#include "envelope/law/shape.hpp"

namespace sin_cos::detail {

double shape::maximum(double x0, double x1) const
{
    const double g0 = density(x0);
    const double g1 = density(x1);
    double top = g0 > g1 ? g0 : g1;
    double peaks[2];
    const int count = stationary_points(peaks);
    for (int i = 0; i < count; ++i) {
        if (x0 < peaks[i] && peaks[i] < x1) top = std::fmax(top, density(peaks[i]));
    }
    return top;
}

}  // namespace sin_cos::detail
