// The --tight figure the hint gives, against the --tight table built whole.

#include <gtest/gtest.h>

#include <cmath>

#include "driver/tight_hint.hpp"
#include "envelope/build.hpp"

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
        const envelope::answers a = envelope::check_answers(c.H, c.M, c.xini, c.xfin, c.n);
        const auto figure = driver::tight_loss(a);
        ASSERT_TRUE(figure) << c.H << " " << c.M;
        EXPECT_TRUE(figure->estimated);
        const double built = envelope::build(a, envelope::mode::tight).table.loss;
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
        const envelope::answers a = envelope::check_answers(c.law.H, c.law.M, c.law.xini, c.law.xfin, c.law.n);
        EXPECT_EQ(driver::tight_loss_worth_telling(a, c.default_loss).has_value(), c.told) << c.default_loss;
    }
}

}  // namespace
