#pragma once

#include <vector>

#include "envelope/tight/density.hpp"

namespace envelope::tight {

struct layout {
    std::vector<double> x;  // edges from xini
    std::vector<double> g;  // the density at each edge
    int edges = 0;          // x[1..edges] laid out
    bool reached = false;   // x[edges] >= xfin
    double bins = 0;        // bins needed to reach xfin, fractional (see lay_out)
};

// Lays out bins of area s * margin from xini, each as wide as its maximum allows,
// until one reaches xfin or cap bins are down; out holds room for cap + 1 edges.
// The bins needed grow steadily as the area shrinks: k - 1 plus the fraction of
// the second-last bin that lies past the threshold of the last one (not the
// fraction of the last bin below xfin, which stalls near 0 where the density
// vanishes and the last bin is huge).
void lay_out(const density& d, double s, int cap, double first_guess, layout* out);

}  // namespace envelope::tight
