#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "sin_cos/sampler.hpp"

namespace {

__extension__ using u128 = unsigned __int128;

// The stream's definition written plainly, with a 128-bit product, and the
// rejection step as it was before the floor: the density decides every proposal.
template <class URBG>
std::optional<double> plain_propose(const sin_cos::table& t, URBG& g)
{
    const u128 product = static_cast<u128>(g()) * t.bins();
    const auto i = static_cast<std::size_t>(product >> 64);
    const double v = static_cast<double>(static_cast<std::uint64_t>(product) >> 11) * 0x1p-53;
    const double x0 = t.edges[i];
    const double x = x0 + v * (t.edges[i + 1] - x0);
    if (static_cast<double>(g() >> 11) * 0x1p-53 * t.height(i) < sin_cos::density(x, t.H, t.M)) return x;
    return std::nullopt;
}

// Hands out two given words, as a proposal reads them.
struct scripted {
    using result_type = std::uint64_t;
    static constexpr result_type min() { return 0; }
    static constexpr result_type max() { return ~result_type{0}; }
    std::uint64_t w[2];
    int next = 0;
    result_type operator()() { return w[next++]; }
};

TEST(SinCosDistribution, FloorKeepsTheStream)
{
    const struct { double H; int M; double xini, xfin; int n; } tables[] = {
        {2, 4, -1, 1, 5000}, {3, 4, -0.3, 0.9, 2000}, {1.5, 6, -0.7, -0.2, 400}, {2.11, 0, -1, 1, 1000},
        {1, 4, -1, 1, 1000}};
    constexpr std::uint64_t one = std::uint64_t{1} << 53;
    for (const auto& c : tables) {
        const sin_cos::table t = sin_cos::build_table(sin_cos::law{c.xini, c.xfin, c.H, c.M}, c.n);
        const sin_cos::distribution dist(t);
        const std::string what = "H=" + std::to_string(c.H) + " M=" + std::to_string(c.M);

        std::mt19937_64 a(c.n), b(c.n);
        int differ = 0;
        for (int k = 0; k < 1000000; ++k) {
            std::optional<double> x;
            while (!(x = plain_propose(t, b))) {}
            differ += std::bit_cast<std::uint64_t>(dist(a)) != std::bit_cast<std::uint64_t>(*x);
        }
        EXPECT_EQ(differ, 0) << what;
        EXPECT_TRUE(a == b) << what;

        // In every bin, next to either end and in the middle, the smallest
        // height the density rejects: a floor above the density there would
        // keep it. Near a flat peak the density as computed dips an ulp below
        // the bin's end values next to them.
        for (std::size_t i = 0; i < t.bins(); ++i) {
            const double w = t.edges[i + 1] - t.edges[i], h = t.height(i);
            const double ulp = std::ldexp(1.0, std::ilogb(std::fmax(-t.edges[i], t.edges[i + 1])) - 52);
            const std::uint64_t step = std::min(static_cast<std::uint64_t>(ulp / w * 0x1p53) + 1, one / 8);
            for (const std::uint64_t wanted :
                 {0 * step, step, 2 * step, 3 * step, one / 2, one - 3 * step, one - 2 * step, one - step, one - 1}) {
                // The first word whose product with n lands in bin i at this point or just past it.
                const u128 aim = (static_cast<u128>(i) << 64) | (wanted << 11);
                const auto w1 = static_cast<std::uint64_t>((aim + t.bins() - 1) / t.bins());
                const std::uint64_t k2 = static_cast<std::uint64_t>(static_cast<u128>(w1) * t.bins()) >> 11;
                if (static_cast<std::size_t>((static_cast<u128>(w1) * t.bins()) >> 64) != i) continue;
                const double d = sin_cos::density(t.edges[i] + static_cast<double>(k2) * 0x1p-53 * w, t.H, t.M);
                std::uint64_t k3 = static_cast<std::uint64_t>(std::fmax(d / h * 0x1p53 - 2, 0.0));
                while (k3 + 1 < one && static_cast<double>(k3) * 0x1p-53 * h < d) ++k3;
                scripted g{{w1, k3 << 11}}, r{{w1, k3 << 11}};
                EXPECT_EQ(dist.propose(g), plain_propose(t, r)) << what << ", bin " << i << ", point " << k2;
            }
        }
    }
}

}  // namespace
