// The --tight figure the hint gives, against the --tight table built whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "driver/law_checks.hpp"
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
        // --tight loses 2.03 %, as much as the default: its floor alone tells
        {{-0.3, 0.9, 1000, 0, 400}, 2.03, false},
        {{-0.3, 0.9, 1000, 0, 400}, 20.3, true},
    };
    for (const told_case& c : cases) {
        const sin_cos::law law{c.law.xini, c.law.xfin, c.law.H, c.law.M};
        EXPECT_EQ(driver::tight_loss_worth_telling(law, c.law.n, c.default_loss).has_value(), c.told)
            << c.default_loss;
    }
}

// The floor under a --tight table's loss never lies above the loss of the
// table built (random laws, n up to the largest built whole), and it tells
// most laws whose --tight table loses more than a tenth of that.
TEST(TightHint, FloorLiesUnderTheBuiltLoss)
{
    std::mt19937_64 g(32);
    std::uniform_real_distribution<double> u(0, 1);
    int built = 0, beyond_a_tenth = 0;
    for (int i = 0; i < 400; ++i) {
        const double a = std::round((2 * u(g) - 1) * 1e4) / 1e4, b = std::round((2 * u(g) - 1) * 1e4) / 1e4;
        const sin_cos::law law{std::min(a, b), std::max(a, b), std::exp(u(g) * 6.9), 2 * static_cast<int>(u(g) * 31)};
        const int n = std::max(1, static_cast<int>(std::exp(u(g) * std::log(512.0))));
        double loss = 0;
        try {
            loss = sin_cos::build_table(law, n, sin_cos::mode::tight).loss, ++built;
        } catch (const sin_cos::error&) {
            continue;
        }
        EXPECT_TRUE(sin_cos::tight_may_lose_at_most(law, n, loss)) << law.H << " " << law.M << " n=" << n;
        beyond_a_tenth += !sin_cos::tight_may_lose_at_most(law, n, loss / 10);
    }
    EXPECT_GT(built, 300);
    EXPECT_GT(beyond_a_tenth, built / 2);
}

// Laws checked side by side stop the run on the first doomed law in order,
// as the loop over them in order does, whichever core met it first.
TEST(LawChecks, SideBySideTheFirstDoomedLawInOrderIsTold)
{
    std::mt19937_64 g(35);
    const driver::law_answers doomed[] = {{0.2, 0.9, 1e6, 0}, {-1, 1, 1e30, 2}, {0, 1, 1, 100000000}};
    for (const std::size_t count : {10, 300, 2000}) {
        for (int round = 0; round < 4; ++round) {
            std::vector<driver::law_answers> laws(count, driver::law_answers{-1, 1, 2, 4});
            for (int k = 0; k < round; ++k) laws[g() % count] = doomed[g() % 3];
            const auto told = [&](auto check) {
                try {
                    check();
                } catch (const sin_cos::build_error& e) {
                    return std::string(e.what());
                }
                return std::string();
            };
            const std::string in_order = told([&] {
                for (std::size_t k = 0; k < count; ++k) driver::check_law_before_building(k + 1, laws[k], 1);
            });
            EXPECT_EQ(told([&] { driver::check_laws_before_building(laws, 1); }), in_order) << count << " " << round;
            EXPECT_EQ(in_order.empty(), round == 0);
        }
    }
}

}  // namespace
