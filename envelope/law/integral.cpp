#include <algorithm>
#include <cmath>
#include <vector>

#include "envelope/law/shape.hpp"
#include "numeric/gauss_legendre.hpp"

namespace sin_cos::detail {

namespace {

// The density as an integrand: in x, or near the ends of [-1, 1] in the
// distance u = 1 - |x| from the nearer one, where 1 - x^2 = u (2 - u) keeps its
// precision; M is even, so both ends give the same function of u.
struct integrand {
    shape law;
    bool from_end;

    double operator()(double y) const
    {
        const double x = from_end ? 1 - y : y;
        const double c = from_end ? y * (2 - y) : 1 - y * y;
        return law.density_by_parts(x, c);
    }
};

}  // namespace

double shape::integral(double xini, double xfin, double relative) const
{
    constexpr int max_splits = 4000;

    // Pieces between the stationary points, where the density is monotone,
    // and apart beyond |x| = 0.5. 0, where x^M vanishes, cuts for every M; for
    // M = 0 it is the peak as well, and the piece between the two is empty.
    std::vector<double> cuts = {-0.5, 0.5, 0.0, xfin};
    double peaks[2];
    const int count = stationary_points(peaks);
    cuts.insert(cuts.end(), peaks, peaks + count);
    std::sort(cuts.begin(), cuts.end());
    std::vector<numeric::gauss_piece<integrand>> pieces;
    double lo = xini;
    for (const double cut : cuts) {
        const double hi = std::min(cut, xfin);
        if (!(hi > lo)) continue;
        integrand f{*this, false};
        double a = lo;
        double b = hi;
        if (lo >= 0.5) {
            f.from_end = true, a = 1 - hi, b = 1 - lo;
        } else if (hi <= -0.5) {
            f.from_end = true, a = 1 + lo, b = 1 + hi;
        }
        pieces.push_back({f, a, b});
        lo = hi;
    }
    return numeric::adaptive_gauss_legendre(pieces, relative, max_splits);
}

}  // namespace sin_cos::detail
