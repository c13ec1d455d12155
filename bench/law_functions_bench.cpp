// One evaluation of the law's cdf: through a sin_cos::detail::law_functions (its
// normalising integral kept), and through the one-call function (which
// integrates it each time), on ordinary laws and on the hardest of the
// test's table. x runs over 64 points spread over the support.
//     law_functions_bench [--benchmark_repetitions=7 --benchmark_report_aggregates_only=true]
#include <benchmark/benchmark.h>

#include <vector>

#include "envelope/law/distribution_functions.hpp"

namespace {

struct law_case {
    const char* name;
    double xini, xfin, H;
    int M;
};

const law_case cases[] = {
    {"H=2 M=4 [-1,1]", -1, 1, 2, 4},
    {"H=3 M=4 [-0.3,0.9]", -0.3, 0.9, 3, 4},
    {"H=10 M=10 [-1,1]", -1, 1, 10, 10},
    {"H=0 M=0 [-1,1]", -1, 1, 0, 0},
    {"H=-0.99 M=2 [-1,1]", -1, 1, -0.99, 2},
    {"H=1.01 M=50 [0,1]", 0, 1, 1.01, 50},
    {"H=-0.99 M=1000 [-1,1]", -1, 1, -0.99, 1000},
    {"H=1e6 M=0 [-1,1]", -1, 1, 1e6, 0},
    {"H=1e6 M=1000 [-1,1]", -1, 1, 1e6, 1000},
    {"H=1.8e12 M=50 [-1,1]", -1, 1, 1 + 1e-4 * 0x1p54, 50},
};

std::vector<double> points(const law_case& c)
{
    std::vector<double> xs;
    for (int i = 1; i <= 64; ++i) xs.push_back(c.xini + (c.xfin - c.xini) * (i / 65.0));
    return xs;
}

void kept(benchmark::State& state, const law_case& c)
{
    const sin_cos::detail::law_functions d(c.xini, c.xfin, c.H, c.M);
    const std::vector<double> xs = points(c);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(d.cdf(xs[i]));
        i = (i + 1) % xs.size();
    }
}

void one_call(benchmark::State& state, const law_case& c)
{
    const std::vector<double> xs = points(c);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(sin_cos::detail::cdf(c.xini, c.xfin, c.H, c.M, xs[i]));
        i = (i + 1) % xs.size();
    }
}

const bool registered = [] {
    for (const law_case& c : cases) {
        benchmark::RegisterBenchmark((std::string("cdf/kept/") + c.name).c_str(), kept, c);
        benchmark::RegisterBenchmark((std::string("cdf/one_call/") + c.name).c_str(), one_call, c);
    }
    return true;
}();

}  // namespace
