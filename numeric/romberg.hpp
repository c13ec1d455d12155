#pragma once

#include <cmath>
#include <cstdint>

#include "numeric/error.hpp"

namespace numeric {

// Stage n of the trapezoid rule for func on [a, b]. *s carries the running
// estimate from stage to stage: stages of one integral are asked for in the
// order 1, 2, 3, ... with the same s, and stage 1 starts it afresh.
template <class Function>
double trapzd(Function&& func, double a, double b, int n, double* s)
{
    if (n == 1) {
        const double fa = func(a);
        const double fb = func(b);
        *s = 0.5 * (b - a) * (fa + fb);
        return *s;
    }
    // 2^(n-2) new points: past stage 33 this no longer fits 32 bits.
    std::int64_t k = 1;
    for (int j = 1; j < n - 1; ++j) k <<= 1;
    const double tnm = static_cast<double>(k);
    const double del = (b - a) / tnm;
    double x = a + 0.5 * del;
    double sum = 0.0;
    for (std::int64_t j = 1; j <= k; ++j, x += del) sum += func(x);
    *s = 0.5 * (*s + (b - a) * sum / tnm);
    return *s;
}

// Neville's extrapolation through the points (xa[i], ya[i]), i = 1..n, to x.
// xa and ya are 1-based: element 1 is the first point.
void polint(const double xa[], const double ya[], int n, double x, double* y, double* dy);

inline constexpr double qromb_eps = 1e-6;
inline constexpr int qromb_max_stages = 50;
inline constexpr int qromb_points = 5;
// Last stage qromb runs before giving up, and the run of exactly zero stages
// after which it gives up at once (see below).
inline constexpr int qromb_stage_cap = 27;
inline constexpr int qromb_zero_stages = 20;

// Romberg integration of func over [a, b] to a relative accuracy of 1e-6.
//
// Stages beyond the cap cost seconds each and only ever serve integrals that
// cannot converge; legitimate but slowly converging densities finish before
// it. A stage that is not a finite number stays so for every later stage, so
// it ends the integration at once; so does a run of exactly zero stages long
// enough that a peak first seen after it could not converge by the cap.
template <class Function>
double qromb(Function&& func, double a, double b)
{
    static_assert(qromb_stage_cap <= qromb_max_stages);
    bool all_zero = true;
    double s = 0.0;
    // Index 0 is unused so that polint sees the five points from element 1.
    double st[qromb_max_stages + 2];
    double hh[qromb_max_stages + 2];
    hh[1] = 1.0;
    for (int j = 1; j <= qromb_stage_cap; ++j) {
        st[j] = trapzd(func, a, b, j, &s);
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

inline constexpr double qsimp_eps = 1e-6;
inline constexpr int qsimp_max_stages = 20;

// Simpson's rule built on the trapezoid stages.
template <class Function>
double qsimp(Function&& func, double a, double b)
{
    double s = 0.0;
    double ost = -1e30;
    double os = -1e30;
    for (int j = 1; j <= qsimp_max_stages; ++j) {
        const double st = trapzd(func, a, b, j, &s);
        const double sv = (4.0 * st - ost) / 3.0;
        if (std::fabs(sv - os) < qsimp_eps * std::fabs(os)) return sv;
        os = sv;
        ost = st;
    }
    nrerror("Too many steps in routine qsimp");
}

}  // namespace numeric
