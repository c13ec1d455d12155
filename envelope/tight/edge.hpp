#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

#include "envelope/tight/density.hpp"

namespace envelope::tight {

// Bins aim this much below their area so that rounding cannot lift them over it.
inline constexpr double shortfall = 1e-13;

struct edge {
    double x;
    double g;      // the density at x (at xfin when x lies past it)
    double width;  // x - x0, unrounded past xfin
};

// The search is inline: a layout asks for a guess and an edge every bin, and
// the calls would cost a tenth of it.
namespace detail {

inline constexpr double inf = std::numeric_limits<double>::infinity();
// A bin this close below its area is final.
inline constexpr double tolerance = 1e-10;
inline constexpr int max_edge_steps = 200;

// The height test of the finished table, with the same rounding.
inline bool fits(double a, double width, double m) { return a / width >= margin * m; }

// Next width to try for a bin from x0 whose right end x gave the area p < or > t.
inline double newton_width(const density& d, double x, double width, double g, double m, double p, double t)
{
    if (!(p > 0)) return 2 * width;  // no density yet: widen
    if (m == g) {
        // The height is the right end's and grows with it; far off, the area's
        // logarithm is the nearly straight one.
        const double grow = 1 / width + d.dlog(x);
        if (std::isfinite(grow) && grow > 0) {
            if (p > 2 * t || p < t / 2) return width - std::log(p / t) / grow;
            return width - (p - t) / (p * grow);
        }
    }
    return t / m;  // the height stays m
}

// A point strictly between lo and hi (hi may be infinite), evenly on a log scale
// of the width when the bracket spans orders of magnitude.
inline double between(const density& d, double x0, double lo, double hi)
{
    if (hi == inf) return lo > x0 ? x0 + 2 * (lo - x0) : d.xfin;
    if (lo > x0 && hi - x0 > 4 * (lo - x0)) return x0 + std::sqrt((lo - x0) * (hi - x0));
    return lo + (hi - lo) / 2;
}

}  // namespace detail

// The right edge of the bin from x0 (density g0 there) at which the bin of area
// a stops fitting, within the tolerance; at or past xfin when the bin reaches
// the domain's end, placed there by the maximum over [x0, xfin]. s is the area
// before the margin, guess a first width to try.
[[gnu::always_inline]] inline edge next_edge(const density& d, double s, double a, double x0, double g0, double guess)
{
    const double t = s * (1 - shortfall);
    double lo = x0;
    double g_lo = g0;
    double hi = detail::inf;
    double w = guess;
    for (int step = 0; step < detail::max_edge_steps; ++step) {
        double x = x0 + w;
        if (x - x0 > w) x = std::nextafter(x, -detail::inf);  // never wider than meant
        // Now and then a plain split, in case the steps creep.
        if (!(x > lo && x < hi) || step % 8 == 7) x = detail::between(d, x0, lo, hi);
        if (!(x > lo && x < hi)) break;  // lo and hi are neighbours
        if (x >= d.xfin) {
            const double c = d.max_on(x0, g0, d.xfin, d.at_xfin);
            if (detail::fits(a, d.xfin - x0, c)) {
                const double reach = c > 0 ? std::max(d.xfin - x0, t / c) : detail::inf;
                return {x0 + reach, d.at_xfin, reach};
            }
            hi = d.xfin;
            w = t / c;
            continue;
        }
        const double g = d(x);
        const double width = x - x0;
        const double m = d.max_on(x0, g0, x, g);
        const double p = width * m;
        if (detail::fits(a, width, m)) {
            lo = x;
            g_lo = g;
            // Close enough, or the next double would already overshoot.
            if (p >= t * (1 - detail::tolerance) || p + std::fabs(x) * 0x1p-51 * m >= t) return {x, g, width};
        } else {
            hi = x;
        }
        w = detail::newton_width(d, x, width, g, m, p, t);
    }
    return {lo, g_lo, lo - x0};
}

// A first width for the bin from x0 of area t at the density's height: exact
// on a falling side, from the density's local expansion on a rising one.
inline double guess_width(const density& d, double x0, double g0, double t, double previous)
{
    if (!(g0 > 0)) return previous;
    const double r = t / g0;  // the width at the left end's height: an upper bound when rising
    const double l1 = d.dlog(x0);
    if (!(l1 > 0) || !std::isfinite(l1)) return r;
    const double c2 = l1;
    const double c3 = (l1 * l1 + d.d2log(x0)) / 2;
    double w = std::min(previous, r);
    for (int i = 0; i < 3; ++i) {
        const double q = w * (1 + w * (c2 + w * c3)) - r;
        const double dq = 1 + w * (2 * c2 + 3 * w * c3);
        if (!(dq > 0)) break;
        w -= q / dq;
    }
    return w > 0 && w <= r ? w : std::min(previous, r);
}

}  // namespace envelope::tight
