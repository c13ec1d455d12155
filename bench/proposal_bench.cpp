// The stream's two engine words a proposal against the three of 1.x, side by
// side: the library's draw, and 1.x's proposal (a word each for the bin, the
// point and the height) written out here over the same bins. Then the bulk
// draw, C++'s generate_n and C's sin_cos_fill, against the loop of single
// draws that both were before (BM_TwoWords), at the same sizes.
//     proposal_bench [--benchmark_repetitions=7]
#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "sin_cos/sampler.hpp"
#include "sin_cos/sin_cos.h"

namespace {

// xoshiro256++ (Blackman and Vigna), seeded by splitmix64.
class xoshiro256pp {
public:
    using result_type = std::uint64_t;
    static constexpr result_type min() { return 0; }
    static constexpr result_type max() { return ~result_type{0}; }
    explicit xoshiro256pp(std::uint64_t seed)
    {
        for (auto& word : s_) {
            seed += 0x9e3779b97f4a7c15;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
            z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
            word = z ^ (z >> 31);
        }
    }
    result_type operator()()
    {
        const std::uint64_t result = rotl(s_[0] + s_[3], 23) + s_[0];
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t s_[4];
};

struct bins {
    std::vector<sin_cos::detail::proposal_bin> b;
    double H;
    int M;
    explicit bins(const sin_cos::table& t) : H(t.H), M(t.M)
    {
        for (std::size_t i = 0; i < t.bins(); ++i) {
            const double x0 = t.edges[i], width = t.edges[i + 1] - x0;
            b.push_back({x0, width, t.height(i), sin_cos::detail::density_floor(x0, width, t.H, t.M)});
        }
    }
};

inline std::optional<double> accept(const bins& p, const sin_cos::detail::proposal_bin& b, double v, double w)
{
    const double x = b.x0 + sin_cos::detail::unfused(v * b.width);
    const double y = w * b.height;
    if (y < b.floor || y < sin_cos::density(x, p.H, p.M)) return x;
    return std::nullopt;
}

inline double unit(std::uint64_t w) { return static_cast<double>(w >> 11) * 0x1p-53; }

// 1.x's proposal: the bin is read as soon as its word is known.
template <class Engine>
double three_words(const bins& p, Engine& g)
{
    const std::size_t n = p.b.size();
    for (;;) {
        std::size_t i = static_cast<std::size_t>(unit(g()) * static_cast<double>(n));
        if (i >= n) i = n - 1;
        const auto& b = p.b[i];
        const double v = unit(g());
        const double w = unit(g());
        if (const auto x = accept(p, b, v, w)) return *x;
    }
}

template <class Engine>
void BM_ThreeWords(benchmark::State& state)
{
    const bins p(sin_cos::build_table(sin_cos::law{-1, 1, 2.11, 4}, static_cast<int>(state.range(0)), sin_cos::mode::tight));
    Engine g(1);
    for (auto _ : state) benchmark::DoNotOptimize(three_words(p, g));
    state.SetItemsProcessed(state.iterations());
}

template <class Engine>
void BM_TwoWords(benchmark::State& state)
{
    const sin_cos::distribution dist(sin_cos::build_table(sin_cos::law{-1, 1, 2.11, 4}, static_cast<int>(state.range(0)),
                                                                  sin_cos::mode::tight));
    Engine g(1);
    for (auto _ : state) benchmark::DoNotOptimize(dist(g));
    state.SetItemsProcessed(state.iterations());
}

// Draws a block into a buffer that stays in the cache, so that the table's
// bins are the only lines fetched from afar.
constexpr std::size_t block = 4096;

template <class Engine>
void BM_Bulk(benchmark::State& state)
{
    const sin_cos::distribution dist(sin_cos::build_table(sin_cos::law{-1, 1, 2.11, 4}, static_cast<int>(state.range(0)),
                                                          sin_cos::mode::tight));
    Engine g(1);
    std::vector<double> out(block);
    for (auto _ : state) {
        dist.generate(out, g);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(block));
}

void BM_CFill(benchmark::State& state)
{
    const sin_cos_law law = {-1, 1, 2.11, 4};
    sin_cos_table* t = sin_cos_table_build(&law, static_cast<int>(state.range(0)), SIN_COS_TIGHT);
    sin_cos_rng* g = sin_cos_rng_new(1);
    std::vector<double> out(block);
    for (auto _ : state) {
        sin_cos_fill(t, g, out.data(), out.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(block));
    sin_cos_rng_free(g);
    sin_cos_free(t);
}

BENCHMARK_TEMPLATE(BM_ThreeWords, std::mt19937_64)->Arg(1)->Arg(5000)->Arg(100000);
BENCHMARK_TEMPLATE(BM_TwoWords, std::mt19937_64)->Arg(1)->Arg(5000)->Arg(100000);
BENCHMARK_TEMPLATE(BM_ThreeWords, xoshiro256pp)->Arg(5000)->Arg(100000);
BENCHMARK_TEMPLATE(BM_TwoWords, xoshiro256pp)->Arg(5000)->Arg(100000);
BENCHMARK_TEMPLATE(BM_Bulk, std::mt19937_64)->Arg(5000)->Arg(100000);
BENCHMARK_TEMPLATE(BM_Bulk, xoshiro256pp)->Arg(5000)->Arg(100000);
BENCHMARK(BM_CFill)->Arg(5000)->Arg(100000);

}  // namespace
