#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
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

constexpr double known_accuracies[] = {shape::construction_accuracy, shape::soundness_accuracy,
                                       shape::precheck_accuracy};
constexpr int known = 3;

// The last integral made on this thread, to the known accuracies from the one
// asked for on; a figure depends on nothing but the key, so a hit is what the
// integration would give again.
struct kept_integral {
    double H = 0;
    int M = -1;
    double xini = 0, xfin = 0;
    bool has[known] = {};
    double value[known] = {};

    bool holds(const shape& s, double lo, double hi) const
    {
        return M == s.M && same(H, s.H) && same(xini, lo) && same(xfin, hi);
    }
    // Bit for bit, so that -0.0 is not taken for 0.0.
    static bool same(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }
};

thread_local kept_integral last;

double integrate(const shape& s, double xini, double xfin, const double relative[], double out[], int count)
{
    constexpr int max_splits = 4000;

    // Pieces between the stationary points, where the density is monotone,
    // and apart beyond |x| = 0.5. 0, where x^M vanishes, cuts for every M; for
    // M = 0 it is the peak as well, and the piece between the two is empty.
    double cuts[6] = {-0.5, 0.5, 0.0, xfin};
    double peaks[2];
    const int count_peaks = s.stationary_points(peaks);
    std::copy(peaks, peaks + count_peaks, cuts + 4);
    std::sort(cuts, cuts + 4 + count_peaks);
    std::vector<numeric::gauss_piece<integrand>> pieces;
    pieces.reserve(6);
    double lo = xini;
    for (int i = 0; i < 4 + count_peaks; ++i) {
        const double hi = std::min(cuts[i], xfin);
        if (!(hi > lo)) continue;
        integrand f{s, false};
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
    numeric::adaptive_gauss_legendre(pieces, relative, out, count, max_splits);
    return out[0];
}

}  // namespace

double shape::integral(double xini, double xfin, double relative) const
{
    int from = 0;
    while (from < known && known_accuracies[from] != relative) ++from;
    if (from == known) {
        double total = 0;
        return integrate(*this, xini, xfin, &relative, &total, 1);
    }
    if (last.holds(*this, xini, xfin) && last.has[from]) return last.value[from];
    kept_integral now;
    now.H = H, now.M = M, now.xini = xini, now.xfin = xfin;
    integrate(*this, xini, xfin, known_accuracies + from, now.value + from, known - from);
    for (int k = from; k < known; ++k) now.has[k] = true;
    last = now;
    return now.value[from];
}

}  // namespace sin_cos::detail
