#include "numeric/romberg.hpp"

#include <cmath>
#include <cstdint>

#include "numeric/error.hpp"
#include "numeric/vector.hpp"

namespace numeric {

namespace {

double s = 0.0;  // running trapezoid estimate, refined stage by stage

constexpr double qromb_eps = 1e-6;
constexpr int qromb_max_stages = 50;
constexpr int qromb_points = 5;
constexpr int qromb_zero_stages = 20;
constexpr double qsimp_eps = 1e-6;
constexpr int qsimp_max_stages = 20;

}  // namespace

double trapzd(integrand func, double a, double b, int n)
{
    if (n == 1) {
        const double fa = func(a);
        const double fb = func(b);
        s = 0.5 * (b - a) * (fa + fb);
        return s;
    }
    // 2^(n-2) new points: past stage 33 this no longer fits 32 bits.
    std::int64_t k = 1;
    for (int j = 1; j < n - 1; ++j) k <<= 1;
    const double tnm = static_cast<double>(k);
    const double del = (b - a) / tnm;
    double x = a + 0.5 * del;
    double sum = 0.0;
    for (std::int64_t j = 1; j <= k; ++j, x += del) sum += func(x);
    s = 0.5 * (s + (b - a) * sum / tnm);
    return s;
}

void polint(const double xa[], const double ya[], int n, double x, double* y, double* dy)
{
    int ns = 1;
    double dif = std::fabs(x - xa[1]);
    Vector c = vector(1, n);
    Vector d = vector(1, n);
    for (int i = 1; i <= n; ++i) {
        const double dift = std::fabs(x - xa[i]);
        if (dift < dif) {
            ns = i;
            dif = dift;
        }
        c[i] = ya[i];
        d[i] = ya[i];
    }
    *y = ya[ns--];
    for (int m = 1; m < n; ++m) {
        for (int i = 1; i <= n - m; ++i) {
            const double ho = xa[i] - x;
            const double hp = xa[i + m] - x;
            const double w = c[i + 1] - d[i];
            double den = ho - hp;
            if (den == 0.0) nrerror("Error in routine polint");
            den = w / den;
            d[i] = hp * den;
            c[i] = ho * den;
        }
        if (2 * ns < n - m) {
            *dy = c[ns + 1];
        } else {
            *dy = d[ns];
            --ns;
        }
        *y = *y + *dy;
    }
    free_vector(d, 1, n);
    free_vector(c, 1, n);
}

// Stages beyond the cap cost seconds each and only ever serve integrals that
// cannot converge; legitimate but slowly converging densities finish before
// it. A stage that is not a finite number stays so for every later stage, so
// it ends the integration at once; so does a run of exactly zero stages long
// enough that a peak first seen after it could not converge by the cap.
double qromb(integrand func, double a, double b)
{
    bool all_zero = true;
    // Index 0 is unused so that polint sees the five points from element 1.
    double st[qromb_max_stages + 2];
    double hh[qromb_max_stages + 2];
    hh[1] = 1.0;
    static_assert(qromb_stage_cap <= qromb_max_stages);
    for (int j = 1; j <= qromb_stage_cap; ++j) {
        st[j] = trapzd(func, a, b, j);
        all_zero = all_zero && st[j] == 0.0;
        if (!std::isfinite(st[j]) || (all_zero && j == qromb_zero_stages)) break;
        if (j >= qromb_points) {
            double ss = 0.0;
            double dss = 0.0;
            polint(&hh[j - qromb_points], &st[j - qromb_points], qromb_points, 0.0, &ss, &dss);
            if (std::fabs(dss) < qromb_eps * std::fabs(ss)) return ss;
        }
        hh[j + 1] = 0.25 * hh[j];
    }
    nrerror("Too many steps in routine qromb");
}

double qsimp(integrand func, double a, double b)
{
    double ost = -1e30;
    double os = -1e30;
    for (int j = 1; j <= qsimp_max_stages; ++j) {
        const double st = trapzd(func, a, b, j);
        const double sv = (4.0 * st - ost) / 3.0;
        if (std::fabs(sv - os) < qsimp_eps * std::fabs(os)) return sv;
        os = sv;
        ost = st;
    }
    nrerror("Too many steps in routine qsimp");
}

}  // namespace numeric
