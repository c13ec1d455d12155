#include "envelope/density.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "envelope/envelope.hpp"

namespace envelope {

namespace {

std::uint64_t density_count = 0;
std::uint64_t residual_count = 0;

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// What a bin height depends on besides its ends. Everything remembered below is
// a pure function of its own key and these; any change of them forgets it all.
struct settings {
    std::uint64_t h;
    std::uint64_t xini;
    std::uint64_t xfin;
    int m;
    bool clip;
    bool operator==(const settings&) const = default;
};

settings current_settings() { return {bits(H), bits(Xini), bits(Xfin), M, Clip_maxima}; }

struct known_point {
    std::uint64_t x;
    double g;
};

struct known_residual {
    std::uint64_t x0;
    std::uint64_t x1;
    std::uint64_t area;
    double value;
};

// One search for an edge asks for the density at its left edge with every
// residual, and the root finder asks again for residuals that the outward
// search or its own last steps have just computed (the upper end of the
// bracket, the root for the nudge); the next edge starts where the last one
// ended. A few recent values cover all of that. Like the settings, this
// memory is process-wide and meant for the tool's one thread.
constexpr int recent_points = 4;
constexpr int recent_residuals = 4;

struct memory {
    settings key{};
    bool valid = false;

    bool have_xm = false;
    double xm = 0.0;
    bool have_at_minus_xm = false;
    double at_minus_xm = 0.0;
    bool have_at_xm = false;
    double at_xm = 0.0;
    bool have_at_zero = false;
    double at_zero = 0.0;

    bool have_left = false;
    known_point left{};
    int points_used = 0;
    int points_next = 0;
    known_point points[recent_points]{};

    int residuals_used = 0;
    int residuals_next = 0;
    known_residual residuals[recent_residuals]{};
};

memory mem;

[[gnu::noinline]] void forget(const settings& now)
{
    mem = memory{};
    mem.key = now;
    mem.valid = true;
}

inline void refresh()
{
    const settings now = current_settings();
    if (!(mem.valid && mem.key == now)) forget(now);
}

bool recall_left(std::uint64_t x, double* g)
{
    if (!mem.have_left || mem.left.x != x) return false;
    *g = mem.left.g;
    return true;
}

bool recall_recent(std::uint64_t x, double* g)
{
    for (int i = 0; i < mem.points_used; ++i) {
        if (mem.points[i].x == x) {
            *g = mem.points[i].g;
            return true;
        }
    }
    return false;
}

// g1 at a bin's right end. A repeated right end comes with a repeated residual,
// already answered from memory; only the left edge is worth looking up.
double density_at(double x)
{
    double g;
    if (recall_left(bits(x), &g)) return g;
    g = g1(x);
    mem.points[mem.points_next] = {bits(x), g};
    mem.points_next = (mem.points_next + 1) % recent_points;
    if (mem.points_used < recent_points) ++mem.points_used;
    return g;
}

// g1 at a bin's left edge, held until another left edge takes its place; a
// new left edge is usually where the last search ended.
double density_at_left(double x)
{
    double g;
    if (recall_left(bits(x), &g)) return g;
    if (!recall_recent(bits(x), &g)) g = g1(x);
    mem.left = {bits(x), g};
    mem.have_left = true;
    return g;
}

double stationary_point()
{
    if (!mem.have_xm) {
        const double m = M;
        mem.xm = std::sqrt(m / ((m + H) - 1));
        mem.have_xm = true;
    }
    return mem.xm;
}

double density_once(bool* have, double* value, double x)
{
    if (!*have) {
        *value = g1(x);
        *have = true;
    }
    return *value;
}

// g1 at the point the stationary-point tables choose for [x0, x1].
double max_by_tables(double x0, double x1)
{
    if (M != 0) {
        const double xm = stationary_point();
        if (x0 <= -xm && -xm <= x1) return density_once(&mem.have_at_minus_xm, &mem.at_minus_xm, -xm);
        if (x0 <= xm && xm <= x1) return density_once(&mem.have_at_xm, &mem.at_xm, xm);
        // The larger end value is the density at the chosen end.
        const double g0 = density_at_left(x0);
        const double gx1 = density_at(x1);
        return g0 > gx1 ? g0 : gx1;
    }
    // M = 0: the density falls with |x|, so 0 stands in for the stationary point.
    if (x1 <= 0) return density_at(x1);
    if (x0 <= 0) return density_once(&mem.have_at_zero, &mem.at_zero, 0.0);
    return density_at_left(x0);
}

double max_in_domain(double x0, double x1)
{
    const double lo = x0 < Xini ? Xini : x0;
    const double hi = x1 > Xfin ? Xfin : x1;
    if (!(lo <= hi)) return 0.0;
    return max_by_tables(lo, hi);
}

double height(double x0, double x1) { return Clip_maxima ? max_in_domain(x0, x1) : max_by_tables(x0, x1); }

}  // namespace

double g1(double x)
{
    ++density_count;
    if (x < Xini || x > Xfin || std::isnan(x)) return 0.0;
    const double t = std::pow(x, static_cast<double>(M));
    const double r = std::sqrt(1 - x * x);
    return std::pow(r, H - 1) * t;
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
    const std::uint64_t b0 = bits(x0);
    const std::uint64_t b1 = bits(x1);
    const std::uint64_t ba = bits(area);
    for (int i = 0; i < mem.residuals_used; ++i) {
        const known_residual& k = mem.residuals[i];
        // The right end tells entries apart soonest: one search shares its left edge and area.
        if (k.x1 == b1 && k.x0 == b0 && k.area == ba) return k.value;
    }
    const double value = height(x0, x1) * (x1 - x0) - area;
    mem.residuals[mem.residuals_next] = {b0, b1, ba, value};
    mem.residuals_next = (mem.residuals_next + 1) % recent_residuals;
    if (mem.residuals_used < recent_residuals) ++mem.residuals_used;
    return value;
}

std::uint64_t density_evaluations() { return density_count; }

std::uint64_t residual_evaluations() { return residual_count; }

void check_g_positive(double xini, double xfin)
{
    double x = xini;
    while (x <= xfin) {
        const double p = g1(x);
        if (p < -1e-10) {
            std::printf("for x=%f we get P(x)=%e <0 !, P must be >=0\n", x, p);
            std::exit(-1);
        }
        const double next = x + (xfin - xini) / 10000;
        // A step too small for x (or an infinite x) would never end the scan.
        if (next == x) return;
        x = next;
    }
}

}  // namespace envelope
