#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <list>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "sin_cos/sampler.hpp"

namespace {

// A bulk draw against the loop of single draws from a copy of the engine:
// the same doubles bit for bit, and the engines equal after.
template <class Engine>
void expect_successive_draws(const sin_cos::distribution& d, std::uint64_t seed, const std::string& what)
{
    const long counts[] = {0, 1, 2, 5, sin_cos::distribution::lookahead - 1, sin_cos::distribution::lookahead,
                           sin_cos::distribution::lookahead + 1, 2 * sin_cos::distribution::lookahead + 3, 1000, 50021};
    for (const long count : counts) {
        Engine bulk(seed), single(seed);
        std::vector<double> out(static_cast<std::size_t>(count) + 1, -7.0);
        EXPECT_EQ(d.generate_n(out.begin(), count, bulk), out.begin() + count);
        int differ = 0;
        for (long k = 0; k < count; ++k)
            differ += std::bit_cast<std::uint64_t>(out[static_cast<std::size_t>(k)]) != std::bit_cast<std::uint64_t>(d(single));
        EXPECT_EQ(differ, 0) << what << ", " << count << " draws";
        EXPECT_EQ(out.back(), -7.0) << what << ", " << count << " draws";
        EXPECT_TRUE(bulk == single) << what << ", " << count << " draws";
        seed += 1;
    }
}

TEST(BulkDraw, EqualsSuccessiveDrawsAndLeavesTheEngineAsThey)
{
    // n = 1 rejects about half its proposals, n = 7 a quarter: rejections
    // among the last draws, where fewer proposals are held ahead.
    const struct { double H; int M; double xini, xfin; int n; sin_cos::mode m; } tables[] = {
        {2, 4, -1, 1, 1, sin_cos::mode::classic},       {2.11, 4, -1, 1, 7, sin_cos::mode::classic},
        {3, 2, -0.3, 0.9, 5000, sin_cos::mode::classic}, {2.11, 4, -1, 1, 100000, sin_cos::mode::tight}};
    for (const auto& c : tables) {
        const sin_cos::distribution d(sin_cos::build_table(sin_cos::law{c.xini, c.xfin, c.H, c.M}, c.n, c.m));
        const std::string what = "n=" + std::to_string(c.n);
        expect_successive_draws<std::mt19937_64>(d, 11, what + ", mt19937_64");
        // Engines whose words come through std::uniform_int_distribution, a
        // word of several engine calls.
        expect_successive_draws<std::mt19937>(d, 12, what + ", mt19937");
        expect_successive_draws<std::ranlux48>(d, 13, what + ", ranlux48");
    }
}

TEST(BulkDraw, IteratorsRangesAndAStop)
{
    const sin_cos::distribution d(sin_cos::build_table(sin_cos::law{-1, 1, 2, 4}, 50));
    std::mt19937_64 single(4);
    std::vector<double> expected(300);
    for (double& x : expected) x = d(single);

    // A forward iterator that is not random access, an array through a span,
    // a vector as a range; each continues the engine where the last left it.
    std::mt19937_64 g(4);
    std::list<double> listed(100);
    d.generate(listed.begin(), listed.end(), g);
    double array[100];
    d.generate(std::span<double>(array), g);
    std::vector<double> rest(100);
    d.generate(rest, g);
    std::vector<double> all(listed.begin(), listed.end());
    all.insert(all.end(), std::begin(array), std::end(array));
    all.insert(all.end(), rest.begin(), rest.end());
    EXPECT_EQ(all, expected);
    EXPECT_TRUE(g == single);
    EXPECT_EQ(d.generate_n(rest.begin(), -3, g), rest.begin());
    EXPECT_TRUE(g == single);

    // A table that keeps about one proposal in a million: stopped at the
    // third poll, the draws made are the first draws of the stream.
    const sin_cos::distribution rare(sin_cos::build_table(sin_cos::law{-1, 1, 1e12, 0}, 1, sin_cos::mode::tight));
    std::mt19937_64 h(6), one_by_one(6);
    std::vector<double> out(1000);
    int polls = 0;
    const auto end = rare.generate_n(out.begin(), out.size(), h, [&polls] { return ++polls == 3; });
    EXPECT_EQ(polls, 3);
    EXPECT_LT(end - out.begin(), 10);
    for (auto it = out.begin(); it != end; ++it) EXPECT_EQ(*it, rare(one_by_one));
}

}  // namespace
