#include "envelope/law/integral.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "envelope/law/formula.hpp"
#include "numeric/gauss_legendre.hpp"

namespace sin_cos::detail {

namespace {

// The density as an integrand: in x, or near the ends of [-1, 1] in the
// distance u = 1 - |x| from the nearer one, where 1 - x^2 = u (2 - u) keeps its
// precision; M is even, so both ends give the same function of u.
struct integrand {
    double h;
    int m;
    bool from_end;

    double operator()(double y) const
    {
        const double x = from_end ? 1 - y : y;
        const double c = from_end ? y * (2 - y) : 1 - y * y;
        return std::pow(c, (h - 1) / 2) * std::pow(x, static_cast<double>(m));
    }
};

}  // namespace

double integral(double H, int M, double xini, double xfin, double relative)
{
    constexpr int max_splits = 4000;

    // Pieces between the stationary points, where the density is monotone,
    // and apart beyond |x| = 0.5.
    std::vector<double> cuts = {-0.5, 0.5, xfin};
    if (M == 0) {
        cuts.push_back(0.0);
    } else {
        const double xm = stationary_point(H, M);
        cuts.push_back(-xm);
        cuts.push_back(xm);
        cuts.push_back(0.0);
    }
    std::sort(cuts.begin(), cuts.end());
    std::vector<numeric::gauss_piece<integrand>> pieces;
    double lo = xini;
    for (const double cut : cuts) {
        const double hi = std::min(cut, xfin);
        if (!(hi > lo)) continue;
        integrand f{H, M, false};
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
