#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "table.hpp"

namespace sampler {

// Uniform double in [0, 1) from the generator's bits alone, so that a seed
// gives the same stream whatever standard library the program is built with.
template <class URBG>
double canonical(URBG& g)
{
    using result = typename URBG::result_type;
    if constexpr (URBG::min() == 0 && URBG::max() == std::numeric_limits<std::uint64_t>::max() &&
                  sizeof(result) == 8) {
        return static_cast<double>(static_cast<std::uint64_t>(g()) >> 11) * 0x1p-53;
    } else {
        const double u = std::generate_canonical<double, std::numeric_limits<double>::digits>(g);
        return u < 1.0 ? u : 0x1.fffffffffffffp-1;
    }
}

// Draws x with density proportional to x^M (1 - x^2)^((H-1)/2) on the table's
// interval by rejection from the table's envelope: every bin has the same
// area, so a uniform bin and a uniform point in it are a uniform point under
// the staircase, kept when it also lies under the density. Below a floor
// under the density on each bin, a point is kept without evaluating it.
class sin_cos_distribution {
public:
    using result_type = double;

    explicit sin_cos_distribution(Table table, const std::string& source = "table") : table_(std::move(table))
    {
        validate(table_, source);
        bins_.reserve(table_.bins());
        for (std::size_t i = 0; i < table_.bins(); ++i) {
            const double x0 = table_.edges[i];
            const double width = table_.edges[i + 1] - x0;
            bins_.push_back({x0, width, table_.height(i), density_floor(x0, width)});
        }
    }

    // One proposal of the rejection method: the point, or nothing if rejected.
    template <class URBG>
    std::optional<result_type> propose(URBG& g) const
    {
        const std::size_t n = bins_.size();
        std::size_t i = static_cast<std::size_t>(canonical(g) * static_cast<double>(n));
        if (i >= n) i = n - 1;
        const bin& b = bins_[i];
        const double x = b.x0 + canonical(g) * b.width;
        const double y = canonical(g) * b.height;
        if (y < b.floor || y < density(x, table_.H, table_.M)) return x;
        return std::nullopt;
    }

    template <class URBG>
    result_type operator()(URBG& g) const
    {
        for (;;) {
            if (const auto x = propose(g)) return *x;
        }
    }

    void reset() {}
    result_type min() const { return table_.edges.front(); }
    result_type max() const { return table_.edges.back(); }
    const Table& table() const { return table_; }

    friend bool operator==(const sin_cos_distribution& l, const sin_cos_distribution& r)
    {
        return l.table_.H == r.table_.H && l.table_.M == r.table_.M && l.table_.a == r.table_.a &&
               l.table_.edges == r.table_.edges;
    }

private:
    // Aligned so that a draw reads a single cache line.
    struct alignas(32) bin {
        double x0, width, height, floor;
    };

    // A value under the density, as density() computes it, at every point the
    // bin can propose: x0 + c width for c in [0, 1), off by less than
    // 2^-52 (|x0| + width) however it is rounded or fused; with that slack
    // |x| spans [lo, hi]. Each rounding is monotone, so the computed x^M rises
    // with |x| (M is even) and the computed 1 - x^2 and its root fall: x^M at
    // lo times (1 - x^2)^((H-1)/2) at hi is under the computed density on the
    // whole bin, and 0 where the bin holds a zero of it (x = 0 with M > 0,
    // |x| = 1 with H > 1). The smaller end value would not do: next to a flat
    // peak the computed density dips an ulp below it. This floor gives up a
    // fraction of about width (M / |x| + (H - 1) |x| / (1 - x^2)) instead.
    // std::pow is only nearly monotone, accurate to an ulp or so, hence the
    // shave of 2^-40.
    double density_floor(double x0, double width) const
    {
        const double x1 = x0 + width;
        const double slack = 0x1p-50 * (std::fabs(x0) + width);
        const double hi = std::fmax(std::fabs(x0), std::fabs(x1)) + slack;
        const double lo =
            x0 < 0 && x1 > 0 ? 0.0 : std::fmax(std::fmin(std::fabs(x0), std::fabs(x1)) - slack, 0.0);
        if (table_.H != 1.0 && !(hi <= 1.0)) return 0.0;  // 1 - x^2 < 0 past the ends of [-1, 1]
        const double f = cos_factor(lo, table_.M) * (sin_factor(hi, table_.H) * (1.0 - 0x1p-40));
        return f > 0 ? f : 0.0;
    }

    Table table_;
    std::vector<bin> bins_;
};

}  // namespace sampler
