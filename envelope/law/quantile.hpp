#pragma once

// x = F^-1(u) of the law x^M (1 - x^2)^((H-1)/2) on [xini, xfin]: one uniform
// a draw, non-decreasing in u, for quasi-Monte Carlo, common random numbers
// and laws no rejection table covers (H in (-1, 1), unbounded at +-1).
//
// The u-axis is cut into pieces; on each, x is the degree-11 polynomial
// through Chebyshev-Lobatto nodes (kept in powers, evaluated by Estrin's
// scheme): of u, of ln u (tails; u measured from the end of less mass), or,
// within a ratio of offsets from an end where the density vanishes or blows
// up like a power, the logarithm of the x-offset as a polynomial of the
// logarithm of the u-offset (a power law is a straight line there). The
// nodes' u-values integrate the density's Chebyshev series on the piece from
// a cdf value at its near end; the piece is split until |F(x(u)) - u| stays
// within resolution/2 at the midpoints between its nodes (the worst checked
// again against the exact cdf unless the series' last terms and its landing
// on the far end's value are below resolution/64), or until no double does
// better there. The halves of a split piece reuse its series where its last
// terms are negligible (no density, and the middle's cdf from the series).
// Pieces a few dozen doubles wide list their doubles.
//
// ppf finds the piece from a guide of 2^k cells by one comparison with the
// next cut (a cell of more than one cut goes the long way); in bulk, the
// pieces of a block first, then the plain pieces' values four at a time
// (AVX2) or two (SSE2); values of the other forms (about 3-6% of u on the fit
// grid's laws, mostly log_u in the tails) after, the logarithms one by one.
// Every value is clamped to its piece's x-range, so ppf is non-decreasing
// from piece to piece; within a piece the interpolant keeps between its
// nodes at the checks, and t is rounded to a grid whose step moves x past
// the rounding noise, so that
// adjacent u's cannot come out in reverse order (wherever doubles are dense
// enough for such a grid within resolution/16: all but intervals a few
// thousand doubles wide).
//
// Built once, then read-only: one object may be shared by any number of
// threads.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "envelope/law/distribution_functions.hpp"
#include "sin_cos/quantile.hpp"

namespace sin_cos::detail {

// The quantile's pieces, behind sin_cos::quantile (sin_cos/quantile.hpp).
class quantile {
public:
    // Refuses (numeric::failure, kind refused) a law outside distribution's
    // domain or a resolution outside [1e-14, 1e-6]; fails (kind numerical,
    // naming the law and the resolution reached) where the pieces run out.
    quantile(double xini, double xfin, double H, int M, double resolution = 1e-12);

    // u in [0, 1]: ppf(0) = xini, ppf(1) = xfin; NaN outside.
    double ppf(double u) const;
    // x[i] = ppf(u[i]); the spans have the same size (x may alias u).
    void ppf(std::span<const double> u, std::span<double> x) const;
    // The bulk loop in use, process-wide: the widest this processor runs
    // (found once: 4 values at a time with AVX2), or the two-lane one every
    // x86-64 has. Both give the same bits; a diagnostic, so that tests and
    // benches can hold one against the other.
    enum class lanes { widest, two };
    static void bulk_lanes(lanes l);

    u_error_bound u_error() const { return error_; }
    const law_functions& law() const { return law_; }
    std::size_t pieces() const { return pieces_.size(); }

    // The values the object was built from.
    double xini() const { return xini_; }
    double xfin() const { return xfin_; }
    double H() const { return H_; }
    int M() const { return M_; }

    static constexpr int degree = 11;
    enum class form : unsigned char { plain, log_u, logarithmic, steps };
    struct piece {
        double x_lo, x_hi;    // every value is clamped to these
        double origin, sign;  // v = sign (u - origin) >= 0: u from the anchor
        double base;          // x = base + sign s_ref y (plain, log_u), base + sign s_ref e^y
        double s_ref;         // the far end's offset: y is in its units (ln s - ln s_ref keeps its bits)
        double centre, scale; // t = (v or ln v - centre) scale, in [-1, 1]
        double grid, shift;   // t is rounded to multiples of 1/grid (0: not), by adding shift
        // Logarithmic pieces at an end, below ln v = w_min: where the end's
        // first neighbour is a cdf step above the resolution (slope 0), the
        // end or that neighbour, s_min away; elsewhere the power law of the
        // first nodes, ln(s/s_ref) = y_min + slope (ln v - w_min).
        double w_min, s_min, y_min, slope;
        double v_min;         // that neighbour's v where it is a step (slope 0), else 0
        form kind;
        int nodes;            // plain and logarithmic: the interpolation nodes used
        int first, count;     // steps: the doubles' range in the step arrays
        double t[degree + 1], c[degree + 1];  // the nodes in t; the coefficients of t^0..t^degree
    };

private:
    friend class quantile_builder;
    double evaluate(const piece& p, double u) const;
    double value(std::size_t k, double u) const;  // u in piece k
    std::size_t find(double u) const;

    double xini_, xfin_, H_;
    int M_;
    law_functions law_;
    std::vector<double> cut_;  // cut_[i]: the first u of piece i; one more, +inf, after the last
    std::vector<piece> pieces_;
    // What ppf reads of a plain piece, its first 152 bytes: t = (u - m) s,
    // the piece's u-midpoint m and s = sign scale folded, so that a value
    // costs no v (of a log_u piece, centre and scale: the same steps with
    // ln v for u, in bulk); then the u at which the piece ends (its next
    // cut, at most 1), or -inf where it is not plain, so that a wide loop
    // tells by one comparison whether it took u's own plain piece; the rest
    // for the end steps of laws with H < 1.
    struct alignas(64) hot {
        double m, s, shift, base, reach, x_lo, x_hi;
        double c[degree + 1];
        double until;
        double origin, sign, v_min, next;  // below v_min (an end's first step, else 0): the base, or its neighbour next
        bool plain() const { return until >= 0; }
    };
    static hot packed(const piece& p, double end);
    static double plain_value(const hot& p, double u);  // the same in ppf and in bulk
    std::vector<hot> hot_;
    bool end_steps_ = false;  // whether a piece has v_min > 0
    bool any_plain_ = false;  // whether a piece is plain: else the bulk loops would only find the pieces again
    template <bool end_steps, bool in_place>
    void bulk(std::span<const double> u, std::span<double> x) const;
    friend struct bulk_loops;  // the wide ones (x86-64)
    // The values of a block that the branch-free loops leave (bit i of
    // left), one by one: in piece[i], or found again where again says so.
    template <bool in_place>
    void one_by_one(const std::uint32_t* piece, const std::uint64_t* left, const std::uint64_t* again,
                    std::size_t count, const double* given, const double* u, double* x) const;
    std::vector<double> step_u_, step_x_;
    // Entry j: the piece holding u = j / size (size a power of two: u size is
    // exact), flagged where the cell holds more than one cut (multiple);
    // elsewhere the piece of u is the entry's or the next, by one comparison
    // with the next cut, and flagged where that piece is not plain (odd for
    // the entry's, next_odd for the next).
    static constexpr std::uint32_t multiple = 1u << 31, next_odd = 1u << 30, odd = 1u << 29, index_mask = odd - 1;
    struct cell {
        double next;  // the cut after the entry's piece: one load with it
        std::uint32_t entry;
    };
    std::vector<cell> guide_;
    double guide_scale_ = 0;
    u_error_bound error_{};
};

}  // namespace sin_cos::detail
