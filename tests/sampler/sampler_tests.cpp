#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "sin_cos/distribution.hpp"
#include "sin_cos/table.hpp"
#include "tool_tables.hpp"

using namespace tool_tables;

namespace {

TEST(SinCosDistribution, AcceptanceRateAndReproducibility)
{
    for (const auto& answers : tables) {
        const sampler::sin_cos_distribution dist(sampler::load_table(tool_table(answers).string()));
        std::mt19937_64 rng(42);
        const int proposals = 200000;
        int accepted = 0;
        for (int i = 0; i < proposals; ++i) {
            if (const auto x = dist.propose(rng)) {
                ++accepted;
                ASSERT_TRUE(*x >= dist.min() && *x <= dist.max()) << *x;
            }
        }
        const double p = 1 / (1 + dist.table().loss / 100);
        EXPECT_NEAR(static_cast<double>(accepted) / proposals, p, 4 * std::sqrt(p * (1 - p) / proposals)) << answers;

        std::mt19937_64 a(5), b(5), c(6);
        std::mt19937 narrow(5);
        bool differs = false;
        for (int i = 0; i < 1000; ++i) {
            const double x = dist(a);
            EXPECT_EQ(x, dist(b));
            differs = differs || x != dist(c);
            const double y = dist(narrow);
            EXPECT_TRUE(y >= dist.min() && y <= dist.max());
        }
        EXPECT_TRUE(differs);
    }
}

}  // namespace
