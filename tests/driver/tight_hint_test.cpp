// The --tight figure the hint gives, against the --tight table built whole.

#include <gtest/gtest.h>

#include <cmath>

#include "driver/tight_hint.hpp"
#include "sin_cos/build.hpp"

namespace {

struct law_case {
    double xini, xfin, H;
    int M, n;
};

TEST(TightHint, EstimateIsWithinAThirdOfTheBuiltLoss)
{
    // Smooth, peaked, cusped (H near 1), flat, interval ends inside, and the
    // zero at x = 0 between two peaks, the estimate's hardest.
    const law_case cases[] = {
        {-1, 1, 2, 4, 100000},   {0, 1, 30, 10, 20000},  {0.2, 0.9, 1000, 60, 5000}, {0, 1, 1.2, 0, 513},
        {-1, 1, 1.01, 1000, 20000}, {-1, 1, 300, 0, 600}, {0, 1, 1, 20000, 50000}, {-1, 1, 1, 0, 100000},
        {-1, 1, 1.5, 2, 8000},   {-0.3, 0.9, 1.5, 2, 4096}, {-0.3, 0.9, 2, 2, 1000},
    };
    for (const law_case& c : cases) {
        const sin_cos::law law{c.xini, c.xfin, c.H, c.M};
        const auto figure = driver::tight_loss(law, c.n);
        ASSERT_TRUE(figure) << c.H << " " << c.M;
        EXPECT_TRUE(figure->estimated);
        const double built = sin_cos::build_table(law, c.n, sin_cos::mode::tight).loss;
        EXPECT_LT(std::fabs(figure->loss - built), built / 3) << "H=" << c.H << " M=" << c.M << " n=" << c.n;
    }
}

TEST(TightHint, ToldOnlyForALossOfOnePercentAndTenTimesTheTightOne)
{
    struct told_case {
        law_case law;
        double default_loss;
        bool told;
    } cases[] = {
        {{-1, 1, 1, 0, 3}, 8.45, true},       // --tight loses 0.1 %
        {{-1, 1, 1, 0, 3}, 0.99, false},      // below 1 %
        {{-1, 1, 2, 4, 100}, 63.0, false},    // --tight loses 6.39 %, more than a tenth
        {{-1, 1, 2, 4, 100}, 64.0, true},
    };
    for (const told_case& c : cases) {
        const sin_cos::law law{c.law.xini, c.law.xfin, c.law.H, c.law.M};
        EXPECT_EQ(driver::tight_loss_worth_telling(law, c.law.n, c.default_loss).has_value(), c.told)
            << c.default_loss;
    }
}

}  // namespace
