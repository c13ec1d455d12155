// One quantile read by several threads at once gives each the values it gives
// one thread alone (the tsan preset runs this to find races).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <thread>
#include <vector>

#include <sin_cos/quantile.hpp>

namespace {

TEST(Parallel, OneQuantileSharedByThreadsGivesEachTheValuesOfOneThreadAlone)
{
    const sin_cos::quantile q(sin_cos::law{-1, 1, 0.5, 2});  // unbounded at the ends, zero at 0: every kind of piece
    constexpr int threads = 4, draws = 20000;
    std::vector<std::vector<double>> alone(threads), shared(threads);
    for (int t = 0; t < threads; ++t) {
        std::mt19937_64 engine(100 + t);
        for (int i = 0; i < draws; ++i) alone[t].push_back(q.draw(engine));
    }
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&q, &shared, t] {
            std::mt19937_64 engine(100 + t);
            std::vector<double> u(draws);
            for (double& v : u) v = sin_cos::quantile::uniform(engine());
            shared[t].resize(draws);
            q.ppf(u, shared[t]);
        });
    for (std::thread& th : pool) th.join();
    for (int t = 0; t < threads; ++t) EXPECT_EQ(shared[t], alone[t]) << "thread " << t;
}

}  // namespace
