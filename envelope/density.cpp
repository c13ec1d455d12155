#include "envelope/density.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>

#include "envelope/envelope.hpp"
#include "envelope/memo.hpp"
#include "envelope/settings.hpp"
#include "numeric/error.hpp"

namespace envelope {

namespace {

std::uint64_t density_count = 0;
std::uint64_t residual_count = 0;

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

struct residual_key {
    // The right end first: it tells entries apart soonest, one search sharing its left edge and area.
    std::uint64_t x1, x0, area;
    bool operator==(const residual_key&) const = default;
};

// Pure values of the density under one generation of the settings. One
// search for an edge asks for the density at its left edge with every
// residual, and the root finder asks again for residuals that the outward
// search or its own last steps have just computed (the upper end of the
// bracket, the root for the nudge); the next edge starts where the last one
// ended. A few recent values cover all of that. Like the settings, this
// memory is process-wide and meant for one thread.
struct memory {
    std::uint64_t generation = 0;
    std::optional<double> xm, at_minus_xm, at_xm, at_zero;
    memo<std::uint64_t, double, 1> left;       // the density at the current left edge
    memo<std::uint64_t, double, 3> right_ends;  // the density at recent right ends
    memo<residual_key, double, 2> residuals;
};

memory mem;

inline void refresh()
{
    const std::uint64_t now = settings_generation();
    if (mem.generation != now) {
        mem = memory{};
        mem.generation = now;
    }
}

[[gnu::always_inline]] inline double remembered(std::optional<double>& slot, double x)
{
    if (!slot) slot = g1(x);
    return *slot;
}

// g1 at a bin's right end. A repeated right end comes with a repeated residual,
// already answered from memory; only the left edge is worth looking up.
[[gnu::always_inline]] inline double density_at(double x)
{
    if (const double* g = mem.left.find(bits(x))) return *g;
    const double g = g1(x);
    mem.right_ends.put(bits(x)) = g;
    return g;
}

// g1 at a bin's left edge, held until another left edge takes its place; a
// new left edge is usually where the last search ended.
[[gnu::always_inline]] inline double density_at_left(double x)
{
    if (const double* g = mem.left.find(bits(x))) return *g;
    const double* known = mem.right_ends.find(bits(x));
    const double g = known ? *known : g1(x);
    mem.left.put(bits(x)) = g;
    return g;
}

[[gnu::always_inline]] inline double stationary_point()
{
    if (!mem.xm) {
        const double m = M;
        mem.xm = std::sqrt(m / ((m + H) - 1));
    }
    return *mem.xm;
}

// g1 at the point the stationary-point tables choose for [x0, x1].
[[gnu::always_inline]] inline double max_by_tables(double x0, double x1)
{
    if (M != 0) {
        const double xm = stationary_point();
        if (x0 <= -xm && -xm <= x1) return remembered(mem.at_minus_xm, -xm);
        if (x0 <= xm && xm <= x1) return remembered(mem.at_xm, xm);
        // The larger end value is the density at the chosen end.
        const double g0 = density_at_left(x0);
        const double gx1 = density_at(x1);
        return g0 > gx1 ? g0 : gx1;
    }
    // M = 0: the density falls with |x|, so 0 stands in for the stationary point.
    if (x1 <= 0) return density_at(x1);
    if (x0 <= 0) return remembered(mem.at_zero, 0.0);
    return density_at_left(x0);
}

double max_in_domain(double x0, double x1)
{
    const double lo = x0 < Xini ? Xini : x0;
    const double hi = x1 > Xfin ? Xfin : x1;
    if (!(lo <= hi)) return 0.0;
    return max_by_tables(lo, hi);
}

[[gnu::always_inline]] inline double height(double x0, double x1) { return Clip_maxima ? max_in_domain(x0, x1) : max_by_tables(x0, x1); }

}  // namespace

double g1(double x)
{
    ++density_count;
    if (!(x >= Xini && x <= Xfin)) return 0.0;  // NaN fails both comparisons
    return density_formula(x, H, M);
}

double g1_Deltax_max(double x0, double x1)
{
    refresh();
    return height(x0, x1);
}

double g1_max_in_domain(double x0, double x1)
{
    refresh();
    return max_in_domain(x0, x1);
}

double g1_Deltax(double x0, double x1, double area)
{
    ++residual_count;
    refresh();
    const residual_key key{bits(x1), bits(x0), bits(area)};
    if (const double* known = mem.residuals.find(key)) return *known;
    const double value = height(x0, x1) * (x1 - x0) - area;
    mem.residuals.put(key) = value;
    return value;
}

std::uint64_t density_evaluations() { return density_count; }

std::uint64_t residual_evaluations() { return residual_count; }

void check_g_positive(double xini, double xfin)
{
    double x = xini;
    while (x <= xfin) {
        const double p = g1(x);
        if (p < -1e-10) numeric::refuse("for x=%f we get P(x)=%e <0 !, P must be >=0\n", x, p);
        const double next = x + (xfin - xini) / 10000;
        // A step too small for x (or an infinite x) would never end the scan.
        if (next == x) return;
        x = next;
    }
}

}  // namespace envelope
