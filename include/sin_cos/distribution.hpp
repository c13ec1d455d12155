#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <ios>
#include <istream>
#include <limits>
#include <optional>
#include <ostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "detail/proposal.hpp"
#include "table.hpp"

namespace sin_cos {

namespace detail {

// A 64-bit word of the engine: its output itself where the engine's results
// span all 64 bits, so that a seed gives the same stream whatever standard
// library the program is built with; otherwise std::uniform_int_distribution's
// word, whose calls and arithmetic the libraries do not share.
template <class URBG>
std::uint64_t word(URBG& g)
{
    using result = typename URBG::result_type;
    if constexpr (URBG::min() == 0 && URBG::max() == std::numeric_limits<std::uint64_t>::max() &&
                  sizeof(result) == 8) {
        return static_cast<std::uint64_t>(g());
    } else {
        return std::uniform_int_distribution<std::uint64_t>()(g);
    }
}

// A double in [0, 1) from a word's 53 high bits.
inline double unit(std::uint64_t w) { return static_cast<double>(w >> 11) * 0x1p-53; }

// The 128-bit product w n, for n < 2^32, in two 64-bit products: its high
// word is a bin uniform to within n / 2^64, its low word the position in the
// bin, on a lattice of n / 2^64 of the bin's width.
inline void bin_and_position(std::uint64_t w, std::uint64_t n, std::uint64_t* bin, std::uint64_t* position)
{
    const std::uint64_t low_half = (w & 0xffffffffu) * n;
    *bin = ((w >> 32) * n + (low_half >> 32)) >> 32;
    *position = w * n;
}

}  // namespace detail

// Draws x with density proportional to x^M (1 - x^2)^((H-1)/2) on the table's
// interval by rejection from the table's envelope: every bin has the same
// area, so a uniform bin and a uniform point in it are a uniform point under
// the staircase, kept when it also lies under the density. Below a floor
// under the density on each bin, a point is kept without evaluating it.
//
// A random number distribution as <random> defines one. The same stream:
// with an engine whose results span all 64 bits, 0 to 2^64 - 1
// (std::mt19937_64 does; std::ranlux48 and 32-bit engines do not), a proposal
// takes exactly two engine words. The first, w1, gives the bin and the point
// in it: the 128-bit product w1 n is i 2^64 + p, bin i, the point
// x_i + (p >> 11) 2^-53 (x_{i+1} - x_i); the second, w2, the height
// (w2 >> 11) 2^-53 under the bin. A seed then gives the same draws with every
// standard library and compiler, in the C, Fortran and Python bindings, and
// from one release to the next (the project pins them in a test). Any
// other engine goes through std::uniform_int_distribution, whose calls the
// standard libraries do not share: the law is the same, the stream only that
// of the library it was built with.
class distribution {
public:
    using result_type = double;

    // The table, with what a proposal reads from each bin.
    class param_type {
    public:
        using distribution_type = distribution;

        // The flat density on [-1, 1] in one bin (H = 1, M = 0): a uniform draw.
        param_type() : param_type(sin_cos::table{1.0, 0, -1.0, 1.0, 0.0, 2.0, {-1.0, 1.0}}) {}

        // Throws table_error, naming `source`, for a table that cannot be sampled.
        explicit param_type(sin_cos::table table, const std::string& source = "table") : table_(std::move(table))
        {
            validate(table_, source);
            // A proposal's word gives its bin by a product that holds n < 2^32.
            if (table_.bins() >= (std::uint64_t{1} << 32)) {
                throw table_error(errc::unsound, source, 0, "a table draws from fewer than 2^32 bins");
            }
            bins_.reserve(table_.bins());
            for (std::size_t i = 0; i < table_.bins(); ++i) {
                const double x0 = table_.edges[i];
                const double width = table_.edges[i + 1] - x0;
                bins_.push_back({x0, width, table_.height(i), detail::density_floor(x0, width, table_.H, table_.M)});
            }
        }

        const sin_cos::table& table() const { return table_; }

        // Equal parameters draw the same stream.
        friend bool operator==(const param_type& l, const param_type& r)
        {
            return l.table_.H == r.table_.H && l.table_.M == r.table_.M && l.table_.a == r.table_.a &&
                   l.table_.edges == r.table_.edges;
        }
        friend bool operator!=(const param_type& l, const param_type& r) { return !(l == r); }

    private:
        friend class distribution;

        // Aligned so that a draw reads a single cache line.
        using bin = detail::proposal_bin;

        sin_cos::table table_;
        std::vector<bin> bins_;
    };

    distribution() = default;
    explicit distribution(sin_cos::table table, const std::string& source = "table") : p_(std::move(table), source) {}
    explicit distribution(const param_type& p) : p_(p) {}

    template <class URBG>
    result_type operator()(URBG& g) const
    {
        return (*this)(g, p_);
    }

    template <class URBG>
    result_type operator()(URBG& g, const param_type& p) const
    {
        for (;;) {
            if (const auto x = try_once(g, p)) return *x;
        }
    }

    // One proposal of the rejection method: the point, or nothing if rejected.
    // The acceptance rate is 1 / (1 + loss / 100).
    template <class URBG>
    std::optional<result_type> propose(URBG& g) const
    {
        return try_once(g, p_);
    }

    // The proposal of two 64-bit words from the caller's own source: w1 picks
    // the bin and the point in it, w2 the height under the bin, as an engine's
    // two words do.
    std::optional<result_type> propose(std::uint64_t w1, std::uint64_t w2) const { return accept(p_, w1, w2); }

    void reset() {}
    param_type param() const { return p_; }
    void param(const param_type& p) { p_ = p; }
    result_type min() const { return p_.table_.edges.front(); }
    result_type max() const { return p_.table_.edges.back(); }
    const sin_cos::table& table() const { return p_.table_; }

    friend bool operator==(const distribution& l, const distribution& r) { return l.p_ == r.p_; }
    friend bool operator!=(const distribution& l, const distribution& r) { return !(l == r); }

    // "H M xini xfin loss a n" and the n + 1 edges, in 17 significant digits:
    // >> reads back the very doubles.
    template <class CharT, class Traits>
    friend std::basic_ostream<CharT, Traits>& operator<<(std::basic_ostream<CharT, Traits>& os,
                                                         const distribution& d)
    {
        const auto flags = os.flags(std::ios_base::scientific | std::ios_base::left | std::ios_base::dec);
        const auto precision = os.precision(std::numeric_limits<double>::max_digits10 - 1);
        const CharT space = os.widen(' ');
        const CharT fill = os.fill(space);
        const sin_cos::table& t = d.table();
        os << t.H << space << t.M << space << t.xini << space << t.xfin << space << t.loss << space << t.a << space
           << t.bins();
        for (const double e : t.edges) os << space << e;
        os.flags(flags);
        os.precision(precision);
        os.fill(fill);
        return os;
    }

    // A malformed or unsound table sets failbit and leaves d as it was.
    template <class CharT, class Traits>
    friend std::basic_istream<CharT, Traits>& operator>>(std::basic_istream<CharT, Traits>& is,
                                                         distribution& d)
    {
        const auto flags = is.flags(std::ios_base::dec | std::ios_base::skipws);
        sin_cos::table t;
        std::size_t n = 0;
        if (is >> t.H >> t.M >> t.xini >> t.xfin >> t.loss >> t.a >> n) {
            for (double e; t.edges.size() <= n && is >> e;) t.edges.push_back(e);
        }
        if (is) {
            try {
                d.param(param_type(std::move(t)));
            } catch (const table_error&) {
                is.setstate(std::ios_base::failbit);
            }
        }
        is.flags(flags);
        return is;
    }

private:
    // The bin is read as soon as its word is known, before the engine is
    // called for the height: a large table's bins are far from the cache, and
    // that wait then overlaps the engine's work. Same words, same order.
    template <class URBG>
    static std::optional<result_type> try_once(URBG& g, const param_type& p)
    {
        std::uint64_t i, position;
        detail::bin_and_position(detail::word(g), p.bins_.size(), &i, &position);
        const param_type::bin b = p.bins_[i];
        return accept(p, b, detail::unit(position), detail::unit(detail::word(g)));
    }

    static std::optional<result_type> accept(const param_type& p, std::uint64_t w1, std::uint64_t w2)
    {
        std::uint64_t i, position;
        detail::bin_and_position(w1, p.bins_.size(), &i, &position);
        return accept(p, p.bins_[i], detail::unit(position), detail::unit(w2));
    }

    static std::optional<result_type> accept(const param_type& p, const param_type::bin& b, double v, double w)
    {
        const double x = b.x0 + detail::unfused(v * b.width);
        const double y = w * b.height;
        if (y < b.floor || y < density(x, p.table_.H, p.table_.M)) return x;
        return std::nullopt;
    }

    param_type p_;
};

}  // namespace sin_cos
