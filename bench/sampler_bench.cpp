#include <benchmark/benchmark.h>
#include <random>

#include "sin_cos/sampler.hpp"

namespace {

void BM_TableBuild(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(sampler::build_table(2.0, 4, -1.0, 1.0, n));
    }
}
BENCHMARK(BM_TableBuild)->Arg(5000)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableBuild)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Draw(benchmark::State& state)
{
    const sampler::sin_cos_distribution dist(sampler::build_table(2.0, 4, -1.0, 1.0, 5000));
    std::mt19937_64 rng(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(dist(rng));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Draw);

}  // namespace
