#include "envelope/classic/density.hpp"

#include <cmath>
#include <optional>

#include "envelope/classic/residual_memo.hpp"

namespace envelope {

namespace {

[[gnu::always_inline]] inline double computed(state& st, double x)
{
    ++st.density_memo.densities;
    return g1(st, x);
}

[[gnu::always_inline]] inline double remembered(state& st, std::optional<double>& slot, double x)
{
    if (!slot) slot = computed(st, x);
    return *slot;
}

// g1 at a bin's right end. A repeated right end comes with a repeated residual,
// already answered from memory; only the left edge is worth looking up.
[[gnu::always_inline]] inline double density_at(state& st, double x)
{
    residual_memo& mem = st.density_memo;
    if (const double* g = mem.left.find(bits(x))) return *g;
    const double g = computed(st, x);
    mem.right_ends.put(bits(x)) = g;
    return g;
}

// g1 at a bin's left edge, held until another left edge takes its place; a
// new left edge is usually where the last search ended.
[[gnu::always_inline]] inline double density_at_left(state& st, double x)
{
    residual_memo& mem = st.density_memo;
    if (const double* g = mem.left.find(bits(x))) return *g;
    const double* known = mem.right_ends.find(bits(x));
    const double g = known ? *known : computed(st, x);
    mem.left.put(bits(x)) = g;
    return g;
}

[[gnu::always_inline]] inline double stationary_point(state& st)
{
    residual_memo& mem = st.density_memo;
    if (!mem.xm) {
        mem.xm = st.law().stationary_point();
    }
    return *mem.xm;
}

// g1 at the point the stationary-point tables choose for [x0, x1]. Not the
// law's maximum (sin_cos::detail::shape::maximum): a stationary point in the
// bin is taken without looking at the ends, the ends are taken where g1 is 0
// outside the domain (so an unclipped bin across an end can be too low, which
// the soundness check then finds), and every value is the construction's
// arithmetic. The classic tables are compared bit for bit with those the tool
// has always written, and the evaluation counts are pinned: its own choice
// stays here, beside the memos that serve it.
[[gnu::always_inline]] inline double max_by_tables(state& st, double x0, double x1)
{
    residual_memo& mem = st.density_memo;
    if (st.M != 0) {
        const double xm = stationary_point(st);
        if (x0 <= -xm && -xm <= x1) return remembered(st, mem.at_minus_xm, -xm);
        if (x0 <= xm && xm <= x1) return remembered(st, mem.at_xm, xm);
        // The larger end value is the density at the chosen end.
        const double g0 = density_at_left(st, x0);
        const double gx1 = density_at(st, x1);
        return g0 > gx1 ? g0 : gx1;
    }
    // M = 0: the density falls with |x|, so 0 stands in for the stationary point.
    if (x1 <= 0) return density_at(st, x1);
    if (x0 <= 0) return remembered(st, mem.at_zero, 0.0);
    return density_at_left(st, x0);
}

double max_in_domain(state& st, double x0, double x1)
{
    const double lo = x0 < st.Xini ? st.Xini : x0;
    const double hi = x1 > st.Xfin ? st.Xfin : x1;
    if (!(lo <= hi)) return 0.0;
    return max_by_tables(st, lo, hi);
}

[[gnu::always_inline]] inline double height(state& st, double x0, double x1)
{
    return st.Clip_maxima ? max_in_domain(st, x0, x1) : max_by_tables(st, x0, x1);
}

}  // namespace

double g1_Deltax_max(state& st, double x0, double x1) { return height(st, x0, x1); }

double g1_max_in_domain(state& st, double x0, double x1) { return max_in_domain(st, x0, x1); }

double g1_Deltax(state& st, double x0, double x1, double area)
{
    residual_memo& mem = st.density_memo;
    ++mem.residuals_asked;
    const residual_key key{bits(x1), bits(x0), bits(area)};
    if (const double* known = mem.residuals.find(key)) return *known;
    const double value = height(st, x0, x1) * (x1 - x0) - area;
    mem.residuals.put(key) = value;
    return value;
}

}  // namespace envelope
