#include <gtest/gtest.h>

#include <list>
#include <random>
#include <string>
#include <vector>

#include "sin_cos/sampler.hpp"

namespace {

// Against single draws from a copy of the engine: the same doubles, the same
// engine after. n = 1 rejects three proposals in four, the last ones too;
// n = 100000 is far from the cache; std::mt19937 gives a word in two calls.
TEST(BulkDraw, EqualsSingleDrawsAndLeavesTheEngineAsThey)
{
    constexpr long L = sin_cos::distribution::lookahead;
    for (const int n : {1, 100000}) {
        const sin_cos::distribution d(sin_cos::build_table(sin_cos::law{-1, 1, 2, 4}, n));
        for (const long count : {0L, 1L, L - 1, L, L + 1, 2 * L + 3, 50021L}) {
            SCOPED_TRACE(std::to_string(n) + " bins, " + std::to_string(count) + " draws");
            std::mt19937_64 bulk(count), single(count);
            std::mt19937 bulk32(count), single32(count);
            std::vector<double> out(count + 1, -7.0), expected, expected32;
            std::list<double> out32(count);  // forward iterators, not random access
            EXPECT_EQ(d.generate_n(out.begin(), count, bulk), out.begin() + count);
            d.generate(out32.begin(), out32.end(), bulk32);
            for (long k = 0; k < count; ++k) expected.push_back(d(single)), expected32.push_back(d(single32));
            expected.push_back(-7.0);
            EXPECT_TRUE(out == expected && bulk == single);
            EXPECT_TRUE(std::vector<double>(out32.begin(), out32.end()) == expected32 && bulk32 == single32);
        }
    }
}

}  // namespace
