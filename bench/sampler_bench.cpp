#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdint>
#include <random>

#ifdef SAMPLER_BENCH_HAVE_BOOST
#include <boost/math/special_functions/beta.hpp>
#endif

#include "sin_cos/sampler.hpp"

namespace {

void BM_TableBuild(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(sin_cos::build_table(sin_cos::law{-1.0, 1.0, 2.0, 4}, n));
    }
}
BENCHMARK(BM_TableBuild)->Arg(5000)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableBuild)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

void draw(benchmark::State& state, double xini, double xfin)
{
    const sin_cos::distribution dist(sin_cos::build_table(sin_cos::law{xini, xfin, 2.0, 4}, 5000));
    std::mt19937_64 rng(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(dist(rng));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Draw(benchmark::State& state) { draw(state, -1.0, 1.0); }
BENCHMARK(BM_Draw);

// The two engine words a proposal consumes, with nothing else: no draw that
// keeps the stream can be faster.
void BM_TwoCalls(benchmark::State& state)
{
    std::mt19937_64 rng(1);
    for (auto _ : state) {
        const std::uint64_t u = rng();
        benchmark::DoNotOptimize(u + rng());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TwoCalls);

// The same density on the inner interval of the exact alternative below.
void BM_DrawInner(benchmark::State& state) { draw(state, -0.3, 0.9); }
BENCHMARK(BM_DrawInner);

// The exact law on [-1, 1] without a table: x^2 ~ Beta((M+1)/2, (H+1)/2) as
// X / (X + Y) of two gamma variates, and a random sign.
void BM_TwoGamma(benchmark::State& state)
{
    const double H = 2.0, M = 4.0;
    std::gamma_distribution<double> X((M + 1) / 2), Y((H + 1) / 2);
    std::mt19937_64 rng(1);
    for (auto _ : state) {
        const double x = X(rng);
        const double r = std::sqrt(x / (x + Y(rng)));
        benchmark::DoNotOptimize(rng() >> 63 ? -r : r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TwoGamma);

#ifdef SAMPLER_BENCH_HAVE_BOOST
// The exact law on [-0.3, 0.9] by inversion: G(x) = sign(x) I_{x^2}((M+1)/2, (H+1)/2)
// rises from -1 to 1 across [-1, 1]; a uniform v between G(xini) and G(xfin)
// maps back to sign(v) sqrt(I^-1(|v|)). Boost's default policy would work in
// long double, about ten times slower for no gain in a double result.
void BM_InverseBeta(benchmark::State& state)
{
    using double_only = boost::math::policies::policy<boost::math::policies::promote_double<false>>;
    const double H = 2.0, M = 4.0, xini = -0.3, xfin = 0.9;
    const double a = (M + 1) / 2, b = (H + 1) / 2;
    const auto G = [&](double x) { return std::copysign(boost::math::ibeta(a, b, x * x, double_only()), x); };
    std::uniform_real_distribution<double> v(G(xini), G(xfin));
    std::mt19937_64 rng(1);
    for (auto _ : state) {
        const double u = v(rng);
        const double t = boost::math::ibeta_inv(a, b, std::fabs(u), double_only());
        benchmark::DoNotOptimize(std::copysign(std::sqrt(t), u));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InverseBeta);
#endif

}  // namespace
