#pragma once

// The law's quantile, x = F^-1(u): one uniform a draw, non-decreasing in u,
// for quasi-Monte Carlo, common random numbers, and laws no rejection table
// covers (H in (-1, 1), unbounded at +-1). Built once, read-only after: any
// number of threads may share one (copies share it too).

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>

#include "law.hpp"

namespace sin_cos {

// What a quantile promises: |F(ppf(u)) - u| <= bound for every u in [0, 1].
// bound = max(resolution, jump), jump being the largest cdf step between
// adjacent doubles found where no double meets the resolution (0 if none),
// starting at the double `where` (NaN if none): near +-1 with H below about
// 0.5, or on intervals too narrow to hold enough doubles.
struct u_error_bound {
    double resolution;
    double bound;
    double jump;
    double where;
};

namespace detail {
class quantile;
}

class quantile {
public:
    // Any law the law's functions take (finite H > -1), to a u-resolution in
    // [1e-14, 1e-6]; throws error: invalid_argument for a law or resolution
    // outside those, numerical (naming the law and the resolution reached)
    // where the resolution is out of reach.
    explicit quantile(const sin_cos::law& l, double resolution = 1e-12);

    // u in [0, 1]: ppf(0) = xini, ppf(1) = xfin; NaN outside.
    double ppf(double u) const;
    // x[i] = ppf(u[i]) over the shorter of the spans (x may be u).
    void ppf(std::span<const double> u, std::span<double> x) const;

    // One draw by inversion from one 64-bit word of the engine,
    // u = uniform(word): a stream of its own, not the rejection sampler's
    // draws from the same engine.
    template <class Engine>
    double draw(Engine& engine) const
    {
        static_assert(Engine::min() == 0 && Engine::max() == std::numeric_limits<std::uint64_t>::max(),
                      "draw needs an engine of 64-bit words");
        return ppf(uniform(static_cast<std::uint64_t>(engine())));
    }
    // The top 53 bits of a word as a double in [0, 1): (w >> 11) 2^-53.
    static double uniform(std::uint64_t word) { return static_cast<double>(word >> 11) * 0x1p-53; }

    u_error_bound u_error() const;
    const sin_cos::law& law() const { return law_; }
    double resolution() const;
    std::size_t pieces() const;

private:
    sin_cos::law law_;
    std::shared_ptr<const detail::quantile> q_;
};

}  // namespace sin_cos
