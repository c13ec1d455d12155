#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <ios>
#include <istream>
#include <iterator>
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

// Asks the memory for the line at p ahead of its use; no effect on what is read.
inline void prefetch(const void* p)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    static_cast<void>(p);
#endif
}

// A bulk draw's poll that never stops it.
struct never_stop {
    constexpr bool operator()() const { return false; }
};

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

    // The draws (*this)(g) would give one after another, written to
    // [first, last) (forward iterators), and g left where those draws leave
    // it. Faster than a loop of draws on a table far from the cache: the
    // words of the next proposals are drawn ahead and their bins asked of the
    // memory while the current one is decided.
    template <class ForwardIt, class URBG>
    void generate(ForwardIt first, ForwardIt last, URBG& g) const
    {
        generate_n(first, std::distance(first, last), g);
    }

    // The same into a range: a container, an array, a std::span.
    template <class Range, class URBG,
              class = decltype(std::begin(std::declval<Range&>()), std::end(std::declval<Range&>()))>
    void generate(Range&& r, URBG& g) const
    {
        generate(std::begin(r), std::end(r), g);
    }

    // count draws (none if count <= 0) to first; returns the end of what was
    // written.
    template <class OutputIt, class Size, class URBG>
    OutputIt generate_n(OutputIt first, Size count, URBG& g) const
    {
        return generate_n(first, count, g, detail::never_stop{});
    }

    // The same, asking stop() every 2^20 proposals whether to end there (a
    // long call on a table of low acceptance that must heed Ctrl-C). Stopped,
    // it returns the end of the draws made, and g has also given the words of
    // the proposals drawn ahead: up to 2 lookahead more than those draws took.
    template <class OutputIt, class Size, class URBG, class Stop>
    OutputIt generate_n(OutputIt first, Size count, URBG& g, Stop&& stop) const
    {
        if (!(count > 0)) return first;
        return draw_ahead(first, static_cast<std::uint64_t>(count), g, p_, stop);
    }

    // The proposals a bulk draw holds ahead of the one being decided.
    static constexpr unsigned lookahead = 64;

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

    // Every draw takes at least one proposal of two words, so that with r
    // draws to make the next 2r words will be taken whatever is accepted: the
    // proposals held ahead never outnumber the draws still to make, and the
    // engine gives no word a loop of draws would not have asked for. Words
    // are asked for in the stream's order, a proposal's bin before its height.
    template <class OutputIt, class URBG, class Stop>
    static OutputIt draw_ahead(OutputIt out, std::uint64_t r, URBG& g, const param_type& p, Stop& stop)
    {
        static_assert((lookahead & (lookahead - 1)) == 0, "the ring's index wraps by a mask");
        struct held_proposal {
            std::uint64_t bin, position, height;
        };
        const std::uint64_t n = p.bins_.size();
        const param_type::bin* const bins = p.bins_.data();
        const auto draw_into = [&](held_proposal& h) {
            detail::bin_and_position(detail::word(g), n, &h.bin, &h.position);
            h.height = detail::word(g);
            detail::prefetch(bins + h.bin);
        };
        held_proposal ring[lookahead];
        unsigned head = 0, held = 0;
        for (; held < lookahead && held < r; ++held) draw_into(ring[held]);
        constexpr std::uint32_t poll_every = std::uint32_t{1} << 20;
        std::uint32_t until_poll = poll_every;
        // Writes the draw a proposal gives, if any; true where the poll says stop.
        const auto decide = [&](const held_proposal& now) {
            if (const auto x = accept(p, bins[now.bin], detail::unit(now.position), detail::unit(now.height))) {
                *out = *x;
                ++out;
                --r;
            }
            if (--until_poll != 0) return false;
            until_poll = poll_every;
            return static_cast<bool>(stop());
        };
        // Past lookahead draws to make, each proposal taken is replaced at
        // once in its slot, the newest of the ring.
        while (r > lookahead) {
            const held_proposal now = ring[head];
            draw_into(ring[head]);
            head = (head + 1) & (lookahead - 1);
            if (decide(now)) return out;
        }
        // The last draws: a proposal is drawn only when a rejection leaves
        // fewer held than draws to make.
        while (r > 0) {
            if (held < r) {
                draw_into(ring[(head + held) & (lookahead - 1)]);
                ++held;
            }
            const held_proposal& now = ring[head];
            head = (head + 1) & (lookahead - 1);
            --held;
            if (decide(now)) return out;
        }
        return out;
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
