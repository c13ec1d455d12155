// The law's cdf and sf at 50 digits over a table of laws chosen to break an
// incomplete beta function, written as the reference the library's test reads
// (tests/envelope/law_reference.txt). Run by hand after changing the table:
//     cmake --build build --target law_reference
//     build/check/law_reference > tests/envelope/law_reference.txt
// Boost.Math's regularised incomplete beta in 50-digit binary floating point
// gives the masses: t = x^2 follows Beta((M+1)/2, (H+1)/2) on each side of 0.
// The points are spread over each interval in x and, through a bisection on
// the 50-digit cdf, placed where cdf or sf is 1e-300, 1e-200, ..., 0.3.
// Intervals a few doubles wide are integrated instead (Gauss-Legendre, halved
// where needed, at 50 digits, relative to the density at xini), since there the incomplete
// beta's difference loses its digits or, for large H, underflows.
#include <boost/math/quadrature/gauss.hpp>
#include <boost/math/special_functions/beta.hpp>
#include <boost/multiprecision/cpp_bin_float.hpp>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

namespace {

using real = boost::multiprecision::cpp_bin_float_50;

double next_up(double x) { return std::nextafter(x, 2.0); }

// A 30-point Gauss-Legendre rule, halved where its halves disagree: the
// density near a singular end, or falling by e^60000 an ulp, gets its halvings
// there and nowhere else.
template <class Function>
real bisected(const Function& f, const real& a, const real& b, const real& whole, int depth)
{
    const real mid = (a + b) / 2;
    const real left = boost::math::quadrature::gauss<real, 30>::integrate(f, a, mid);
    const real right = boost::math::quadrature::gauss<real, 30>::integrate(f, mid, b);
    if (depth >= 60 || abs(left + right - whole) <= real(1e-30) * abs(left + right)) return left + right;
    return bisected(f, a, mid, left, depth + 1) + bisected(f, mid, b, right, depth + 1);
}

struct law {
    double H;
    int M;
    double xini, xfin;
    real a, b;
    real total;

    // The regularised mass of [u, v] for 0 <= u < v <= 1, choosing the
    // complement where the incomplete beta is above 1/2.
    real from_zero(double u, double v) const
    {
        const real tu = real(u) * real(u);
        const real tv = real(v) * real(v);
        const real below = u == 0 ? real(0) : boost::math::ibeta(a, b, tu);
        if (below < 0.5) return boost::math::ibeta(a, b, tv) - below;
        const real above_v = v == 1 ? real(0) : boost::math::ibetac(a, b, tv);
        return boost::math::ibetac(a, b, tu) - above_v;
    }

    bool narrow = false;

    // The density over its value at |xini|, at 50 digits.
    real relative_density(const real& t) const
    {
        const real r = abs(real(xini));
        const real at = abs(t);
        real e = 0;
        if (M > 0) e += M * log(at / r);
        if (H != 1) e += (real(H) - 1) / 2 * log((1 - at) * (1 + at) / ((1 - r) * (1 + r)));
        return exp(e);
    }

    real mass(double u, double v) const
    {
        if (narrow) {
            const auto f = [this](const real& t) -> real { return relative_density(t); };
            const real whole = boost::math::quadrature::gauss<real, 30>::integrate(f, real(u), real(v));
            return bisected(f, real(u), real(v), whole, 0);
        }
        if (u >= 0) return from_zero(u, v);
        if (v <= 0) return from_zero(-v, -u);
        return from_zero(0, -u) + from_zero(0, v);
    }
};

// The double x in [lo, hi] where F (non-decreasing) first reaches target.
template <class Function>
double invert(Function F, double lo, double hi, const real& target)
{
    for (int i = 0; i < 2000 && next_up(lo) < hi; ++i) {
        double mid = lo + (hi - lo) / 2;
        if (!(mid > lo && mid < hi)) mid = next_up(lo);
        if (F(mid) < target) lo = mid;
        else hi = mid;
    }
    return hi;
}

}  // namespace

int main()
{
    const double big_H = 1 + 1e-4 * 0x1p54;  // (H - 1) 2^-54 = 1e-4
    const double hs[] = {-0.99, 0, 1, 1.01, 1e6, big_H};
    const int ms[] = {0, 2, 50, 1000};
    const double below_one = 1 - 0x1p-53;
    double narrow_hi = 0.3;
    for (int i = 0; i < 4; ++i) narrow_hi = next_up(narrow_hi);
    const double intervals[][2] = {
        {0, 1e-300}, {0.3, narrow_hi}, {1 - 0x1p-50, below_one}, {-1, 1}, {0, 1}, {-0.5, 0}, {-below_one, below_one},
    };
    const double levels[] = {1e-300, 1e-200, 1e-100, 1e-30, 1e-10, 1e-3, 0.05, 0.3};

    std::printf("# law H M xini xfin (hexadecimal doubles), then lines: x cdf sf (cdf, sf to 22 digits)\n");
    for (const double H : hs) {
        for (const int M : ms) {
            for (const auto& iv : intervals) {
                // Near 1 with H >= 1e6 the density falls by e^60000 from one
                // double to the next: every inside point has cdf 1 (the
                // library's test checks that on its own).
                if (H >= 1e6 && iv[0] == 1 - 0x1p-50) continue;
                law l{H, M, iv[0], iv[1], real(M + 1) / 2, (real(H) + 1) / 2, 0};
                double probe = l.xini;
                for (int i = 0; i < 64 && probe < l.xfin; ++i) probe = next_up(probe);
                l.narrow = probe >= l.xfin && l.xini > 0;
                l.total = l.mass(l.xini, l.xfin);
                std::set<double> xs;
                // Every double of a narrow interval; otherwise a spread in x,
                // with the first and last doubles inside.
                if (l.narrow) {
                    for (double x = next_up(l.xini); x < l.xfin; x = next_up(x)) xs.insert(x);
                } else {
                    xs.insert(next_up(l.xini));
                    xs.insert(std::nextafter(l.xfin, -2.0));
                    for (const double q : {1e-9, 0.01, 0.1, 0.3, 0.5, 0.7, 0.9, 0.99, 1 - 1e-9}) {
                        const double x = l.xini + (l.xfin - l.xini) * q;
                        if (x > l.xini && x < l.xfin) xs.insert(x);
                    }
                    const auto cdf = [&](double x) { return l.mass(l.xini, x) / l.total; };
                    const auto minus_sf = [&](double x) { return -(l.mass(x, l.xfin) / l.total); };
                    for (const double level : levels) {
                        const double lo = next_up(l.xini);
                        const double hi = std::nextafter(l.xfin, -2.0);
                        if (cdf(lo) < level && cdf(hi) > level) xs.insert(invert(cdf, lo, hi, real(level)));
                        if (-minus_sf(lo) > level && -minus_sf(hi) < level) xs.insert(invert(minus_sf, lo, hi, -real(level)));
                    }
                }
                std::printf("law %a %d %a %a\n", H, M, l.xini, l.xfin);
                for (const double x : xs) {
                    const real c = l.mass(l.xini, x) / l.total;
                    const real s = l.mass(x, l.xfin) / l.total;
                    std::printf("%a %s %s\n", x, c.str(22, std::ios_base::scientific).c_str(),
                                s.str(22, std::ios_base::scientific).c_str());
                }
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
