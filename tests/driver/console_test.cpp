// The lines the console writes for what a build found, byte for byte.

#include <gtest/gtest.h>

#include "driver/console.hpp"

namespace {

TEST(Console, LowBinsAreWarnedAsTheCorrectionsAlwaysWarned)
{
    testing::internal::CaptureStderr();
    driver::warn_low_bins({{0, 0.0178920001, 0.2862167011, -1, 0.6}, {1, 0.095424, 0.2862167011, 0.6, 0.9}});
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "!!! for f1[0]=0.017892 <max=0.286217 on [-1.000000,0.600000]\n"
              "!!! for f1[1]=0.095424 <max=0.286217 on [0.600000,0.900000]\n");
}

}  // namespace
