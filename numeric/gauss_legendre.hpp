#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace numeric {

// Five-point Gauss-Legendre rule for f on [lo, hi]. The nodes and weights are
// sqrt(5 -+ 2 sqrt(10/7)) / 3, 128/225 and (322 +- 13 sqrt(70)) / 900, as
// those expressions round in doubles.
template <class Function>
double gauss_legendre5(const Function& f, double lo, double hi)
{
    constexpr double inner = 0x1.13b23fd99b705p-1;
    constexpr double outer = 0x1.cff6ce0533a69p-1;
    constexpr double w_mid = 128.0 / 225;
    constexpr double w_inner = 0x1.ea1da25ae415bp-2;
    constexpr double w_outer = 0x1.e539ec36e038cp-3;
    const double half = (hi - lo) / 2;
    const double mid = lo + half;
    const double sum = w_mid * f(mid) + w_inner * (f(mid - half * inner) + f(mid + half * inner)) +
                       w_outer * (f(mid - half * outer) + f(mid + half * outer));
    return half * sum;
}

// One piece of an integral: the integrand and its interval.
template <class Function>
struct gauss_piece {
    Function f;
    double lo, hi;
};

namespace detail {

template <class Function>
struct gauss_panel {
    Function f;
    double lo, hi;
    double f_lo, f_hi;   // the integrand at the ends, which both halves share with it
    double left, right;  // the rule on each half
    double err;          // what the halves may still be off by
};

// The integrand takes its maximum on a panel at one of the ends.
template <class Function>
gauss_panel<Function> make_gauss_panel(const Function& f, double lo, double hi, double f_lo, double f_hi, double whole)
{
    const double mid = lo + (hi - lo) / 2;
    if (!(mid > lo && mid < hi)) {
        // An ulp or two wide: the rule's nodes round onto the ends anyway.
        const double trapezoid = (hi - lo) * ((f_lo + f_hi) / 2);
        return {f, lo, hi, f_lo, f_hi, trapezoid / 2, trapezoid / 2, 0};
    }
    gauss_panel<Function> p{f, lo, hi, f_lo, f_hi, gauss_legendre5(f, lo, mid), gauss_legendre5(f, mid, hi), 0};
    const double halves = p.left + p.right;
    p.err = std::fabs(halves - whole);
    // Nodes that all miss a narrow peak at an end, or the steep start of a fall,
    // see next to nothing: then only the panel's height bounds what it holds.
    const double bound = (hi - lo) * std::max(f_lo, f_hi);
    if (halves < 1e-6 * bound) p.err = std::max(p.err, bound);
    return p;
}

}  // namespace detail

// The integral over the pieces by the five-point rule, adaptive: the panel
// whose halves disagree most is halved, again and again, until the estimated
// error is within `relative` of the total or max_splits halvings are made.
// Each integrand must be non-negative and monotone on its piece, so that its
// maximum on a panel lies at an end: steep ends get as many halvings as they
// need.
//
// Into out[k], the integral to relative[k] for each of `count` accuracies, from
// one integration: calls with one accuracy each halve the same panels in the
// same order and differ only in where they stop, so each figure is that of its
// own call bit for bit, and the coarser ones cost nothing beyond the finest.
template <class Function>
void adaptive_gauss_legendre(const std::vector<gauss_piece<Function>>& pieces, const double relative[], double out[],
                             int count, int max_splits)
{
    using panel = detail::gauss_panel<Function>;
    const auto by_err = [](const panel& a, const panel& b) { return a.err < b.err; };
    std::vector<panel> heap;
    heap.reserve(pieces.size() + 32);
    for (const gauss_piece<Function>& piece : pieces) {
        heap.push_back(detail::make_gauss_panel(piece.f, piece.lo, piece.hi, piece.f(piece.lo), piece.f(piece.hi),
                                                gauss_legendre5(piece.f, piece.lo, piece.hi)));
    }
    std::make_heap(heap.begin(), heap.end(), by_err);
    double total = 0;
    double err = 0;
    const auto sum_up = [&] {
        total = 0;
        err = 0;
        for (const panel& p : heap) total += p.left + p.right, err += p.err;
    };
    // What a call stopping here returns: its last sum over the panels, in
    // their order, leaving the running sums of those going on as they are.
    const auto sum_now = [&] {
        double t = 0;
        for (const panel& p : heap) t += p.left + p.right;
        return t;
    };
    sum_up();
    std::vector<char> done(static_cast<std::size_t>(count > 0 ? count : 0));
    int left = count;
    for (int split = 0;; ++split) {
        for (int k = 0; k < count; ++k) {
            if (!done[static_cast<std::size_t>(k)] && !(split < max_splits && err > relative[k] * total)) {
                out[k] = sum_now();
                done[static_cast<std::size_t>(k)] = true;
                --left;
            }
        }
        if (left <= 0) break;
        std::pop_heap(heap.begin(), heap.end(), by_err);
        const panel p = heap.back();
        heap.pop_back();
        const double mid = p.lo + (p.hi - p.lo) / 2;
        const double f_mid = p.f(mid);
        const panel parts[2] = {detail::make_gauss_panel(p.f, p.lo, mid, p.f_lo, f_mid, p.left),
                                detail::make_gauss_panel(p.f, mid, p.hi, f_mid, p.f_hi, p.right)};
        for (const panel& part : parts) {
            heap.push_back(part);
            std::push_heap(heap.begin(), heap.end(), by_err);
            total += part.left + part.right;
            err += part.err;
        }
        total -= p.left + p.right;
        err -= p.err;
        if (split % 64 == 63) sum_up();  // keep the running sums from drifting
    }
}

// The integral to one accuracy (see above).
template <class Function>
double adaptive_gauss_legendre(const std::vector<gauss_piece<Function>>& pieces, double relative, int max_splits)
{
    double total = 0;
    adaptive_gauss_legendre(pieces, &relative, &total, 1, max_splits);
    return total;
}

}  // namespace numeric
