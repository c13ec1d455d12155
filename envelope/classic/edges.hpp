#pragma once

#include "envelope/classic/state.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"

namespace envelope {

// Steps right from x0 by step until residual(p) turns positive; returns that
// p, or the sentinel Xlimit + 1 once p has passed Xlimit.
template <class Residual>
double root1(const state& st, Residual&& residual, double x0, double step)
{
    double p = x0;
    for (;;) {
        const double next = p + step;
        // A probe that no longer moves (x0 huge or not a number) would search forever.
        if (!(next > p)) {
            numeric::fatal("edge search stuck: the probe at x=%s does not advance", numeric::shortest(p).c_str());
        }
        p = next;
        const double v = residual(p);
        if (v == 0.0) {
            // 1.01 * p lies left of p for p < 0 and would leave the zero unbracketed.
            return p >= 0 ? 1.01 * p : p;
        }
        if (v > 0) return p;
        if (p > st.Xlimit) return st.Xlimit + 1;
    }
}

// Right edge of the bin of area a that starts at x0, at or just left of the
// residual's zero; Xlimit + 1 when it lies past Xlimit.
double find_x(state& st, double x0, double a);

// Lays out x[1..n] from x[0], each bin of area a.
void find_x_all(state& st, double a, double x[], int n);

}  // namespace envelope
