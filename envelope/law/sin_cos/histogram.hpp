#pragma once

#include <cstddef>
#include <vector>

namespace law {

// How a table's common area is calibrated: `classic` is what sin_cos does by
// default; `tight` is sin_cos --tight, the lowest loss n equal-area bins allow.
enum class mode { classic, tight };

// One histogram of a table file, from the construction to the bindings: the
// parameters of the density, the common bin area and the n + 1 bin edges (the
// last one is the interval's right end).
struct table {
    double H = 2.0;
    int M = 4;
    double xini = -1.0;
    double xfin = 1.0;
    double loss = 0.0;  // excess area of the envelope, in percent
    double a = 0.0;     // common bin area
    std::vector<double> edges;

    std::size_t bins() const { return edges.empty() ? 0 : edges.size() - 1; }
    double height(std::size_t i) const { return a / (edges[i + 1] - edges[i]); }
};

}  // namespace law
