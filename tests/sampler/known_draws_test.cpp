#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "sin_cos/sampler.hpp"

namespace {

// known_draws.txt pins the stream: each line is "H M xini xfin n mode seed k
// value", the k-th draw (from 1) of std::mt19937_64(seed) on the table built
// with those answers in mode "default" or "tight". The C and Fortran bindings'
// tests read the same file.
TEST(KnownDraws, TheStreamOfEverySeedIsPinned)
{
    std::ifstream in(SIN_COS_KNOWN_DRAWS);
    ASSERT_TRUE(in) << SIN_COS_KNOWN_DRAWS;
    std::string key, line;
    sin_cos::distribution dist;
    std::mt19937_64 rng;
    int lines = 0;
    for (int k_expected = 1; std::getline(in, line); ++k_expected, ++lines) {
        std::istringstream fields(line);
        double H, xini, xfin, value;
        int M, n, k;
        std::string mode;
        std::uint64_t seed;
        ASSERT_TRUE(fields >> H >> M >> xini >> xfin >> n >> mode >> seed >> k >> value) << line;
        const std::string table_and_seed = line.substr(0, line.rfind(' ', line.rfind(' ') - 1));
        if (table_and_seed != key) {
            key = table_and_seed;
            ASSERT_TRUE(mode == "tight" || mode == "default") << line;
            dist = sin_cos::distribution(
                sin_cos::build_table(sin_cos::law{xini, xfin, H, M}, n, mode == "tight" ? sin_cos::mode::tight : sin_cos::mode::classic));
            rng.seed(seed);
            k_expected = 1;
        }
        ASSERT_EQ(k, k_expected) << line;
        EXPECT_EQ(dist(rng), value) << line;
    }
    EXPECT_GE(lines, 40);
}

}  // namespace
