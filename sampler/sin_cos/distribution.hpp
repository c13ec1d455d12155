#pragma once

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
// the staircase, kept when it also lies under the density.
class sin_cos_distribution {
public:
    using result_type = double;

    explicit sin_cos_distribution(Table table, const std::string& source = "table") : table_(std::move(table))
    {
        validate(table_, source);
        heights_.reserve(table_.bins());
        for (std::size_t i = 0; i < table_.bins(); ++i) heights_.push_back(table_.height(i));
    }

    // One proposal of the rejection method: the point, or nothing if rejected.
    template <class URBG>
    std::optional<result_type> propose(URBG& g) const
    {
        const std::size_t n = heights_.size();
        std::size_t i = static_cast<std::size_t>(canonical(g) * static_cast<double>(n));
        if (i >= n) i = n - 1;
        const double x0 = table_.edges[i];
        const double x = x0 + canonical(g) * (table_.edges[i + 1] - x0);
        if (canonical(g) * heights_[i] < density(x, table_.H, table_.M)) return x;
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
    Table table_;
    std::vector<double> heights_;
};

}  // namespace sampler
