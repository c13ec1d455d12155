#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <vector>

#include "driver/histogram.hpp"
#include "envelope/envelope.hpp"
#include "sin_cos/distribution.hpp"

namespace {

// The build prints its report line; keep it out of the benchmark's table.
class quiet_stdout {
public:
    quiet_stdout() : saved_(dup(STDOUT_FILENO))
    {
        std::fflush(stdout);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    ~quiet_stdout()
    {
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }

private:
    int saved_;
};

// The tool's start-up settings and default density.
sampler::Table build_table(int n, std::vector<double>& x, std::vector<double>& f1)
{
    using namespace envelope;
    Acc_interval = 0.1;
    Acc_ridders = 1e-8;
    Acc_a = 1e-7;
    H = 2.0;
    M = 4;
    Xini = -1.0;
    Xfin = 1.0;
    x.assign(n + 1, 0.0);
    f1.assign(n + 1, 0.0);
    const driver::Histogram h = driver::build_histogram(1, n, Xini, Xfin, x.data(), f1.data());
    sampler::Table t;
    t.H = H;
    t.M = M;
    t.xini = Xini;
    t.xfin = Xfin;
    t.loss = h.loss;
    t.a = h.a;
    t.edges = x;
    t.edges.back() = Xfin;  // as a reader of the file sees it
    return t;
}

void BM_TableBuild(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    std::vector<double> x, f1;
    quiet_stdout quiet;
    for (auto _ : state) {
        benchmark::DoNotOptimize(build_table(n, x, f1));
    }
}
BENCHMARK(BM_TableBuild)->Arg(5000)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableBuild)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Draw(benchmark::State& state)
{
    std::vector<double> x, f1;
    sampler::Table table;
    {
        quiet_stdout quiet;
        table = build_table(5000, x, f1);
    }
    const sampler::sin_cos_distribution dist(table);
    std::mt19937_64 rng(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(dist(rng));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Draw);

}  // namespace
