#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "envelope/build.hpp"
#include "envelope/tight/tight.hpp"
#include "numeric/error.hpp"

namespace {

using envelope::build_tight;

double density(double x, double h, int m)
{
    const double t = std::pow(x, static_cast<double>(m));
    const double r = std::sqrt(1 - x * x);
    return std::pow(r, h - 1) * t;
}

// The density's maximum over the bin's part of [xini, xfin], from the ends and the stationary points.
double clipped_max(double x0, double x1, double h, int m, double xini, double xfin)
{
    const double lo = std::max(x0, xini);
    const double hi = std::min(x1, xfin);
    double best = std::max(density(lo, h, m), density(hi, h, m));
    const double xm = m == 0 ? 0.0 : std::sqrt(m / ((m + h) - 1));
    for (const double p : {-xm, xm}) {
        if (lo <= p && p <= hi) best = std::max(best, density(p, h, m));
    }
    return best;
}

TEST(Tight, TablesAreSoundAndNearTheLeastLoss)
{
    const std::tuple<double, int, double, double, int, double> cases[] = {
        // H, M, xini, xfin, n, loss bound in percent
        {2, 4, -1, 1, 100000, 0.115},
        {2, 4, -1, 1, 1000, 0.963},
        {2, 4, -1, 1, 1, 191.83},  // one bin at the peak's height
        {1, 0, -1, 1, 1000, 0.1001},  // a constant density: the margin alone
        // Inputs on which the default calibration stops or hangs.
        {2, 2, 0.765227, 0.8, 1, 0.886},
        {1000, 0, 0.75, 0.8, 1000, 0.646},
        {2, 4, -1, -0.99999999, 1000, 0.252},
        {1, 4, 0, 1, 1000, 0.494},
        // Steep peaks; a tail that vanishes to the last double; a domain one ulp wide.
        {1000, 60, -1, 1, 1000, 1.701},
        {30, 0, 0, 1, 7, 35.0},
        {2, 4, 0.5, std::nextafter(0.5, 1), 1, 0.1001},
    };
    for (const auto& [h, m, xini, xfin, n, max_loss] : cases) {
        SCOPED_TRACE(testing::Message() << "H=" << h << " M=" << m << " [" << xini << ", " << xfin << "] n=" << n);
        struct : envelope::build_observer {
            int passes = 0;
            void progress(envelope::progress_event, const char*, int layouts, double distance) override
            {
                EXPECT_EQ(layouts, ++passes);
                EXPECT_GE(distance, 0);
            }
            void recalibrating(const char*) override {}
        } counted;
        const envelope::built t = build_tight({h, m}, xini, xfin, n, &counted);
        const std::vector<double>& x = t.table.edges;
        const double a = t.table.a;
        EXPECT_GE(counted.passes, 1);
        ASSERT_EQ(x.size(), static_cast<std::size_t>(n) + 1);
        ASSERT_EQ(t.f1.size(), static_cast<std::size_t>(n));
        EXPECT_EQ(x[0], xini);
        EXPECT_EQ(x[n], xfin);
        EXPECT_EQ(t.factor, 1.001);
        const double loss = (a / t.a0 - 1) * 100;
        EXPECT_GT(loss, 0.0999);
        EXPECT_LT(loss, max_loss);
        for (int i = 0; i < n; ++i) {
            const double w = x[i + 1] - x[i];
            ASSERT_TRUE(w > 0 && t.f1[i] >= 1.001 * clipped_max(x[i], x[i + 1], h, m, xini, xfin) &&
                        std::fabs(t.f1[i] * w - a) <= 1e-14 * a)
                << "bin " << i << " [" << x[i] << ", " << x[i + 1] << "] f1=" << t.f1[i];
        }
    }
}

TEST(Tight, IntegralMatchesTheBetaFunction)
{
    // Over [-1, 1] the integral is B((M + 1) / 2, (H + 1) / 2); over [0, 1] half of it.
    const std::tuple<double, int, double> cases[] = {
        {2, 4, -1}, {1.0001, 0, -1}, {1.5, 10, 0}, {2.11, 4, -1}, {30, 2, 0}, {1000, 60, -1},
    };
    for (const auto& [h, m, xini] : cases) {
        const double p = (m + 1) / 2.0;
        const double q = (h + 1) / 2;
        const double beta = std::exp(std::lgamma(p) + std::lgamma(q) - std::lgamma(p + q));
        const double exact = xini == 0 ? beta / 2 : beta;
        EXPECT_NEAR(build_tight({h, m}, xini, 1, 10, nullptr).a0 * 10 / exact, 1, 2e-12) << "H=" << h << " M=" << m;
    }
}

// The answers pass the default mode's checks (refusals, status 255); what
// makes no table is a numerical failure (status 1).
TEST(Tight, RefusesWhatMakesNoTable)
{
    const double inf = std::numeric_limits<double>::infinity();
    const std::tuple<double, int, double, double, int, int, std::string> cases[] = {
        // H, M, xini, xfin, n, status, message
        {1e9, 0, 0.5, 0.9, 10, 1, "the density has no usable integral on \\[0.5, 0.9"},
        {2, 4, 0.5, 0.5, 10, 255, "xini=0.5, xfin=0.5: the interval"},
        {2, 4, -1.5, 1, 10, 255, "xini=-1.5, xfin=1: the interval"},
        {0.5, 4, -1, 1, 10, 255, "H=0.500000 must be >=1"},
        {inf, 4, -1, 1, 10, 255, "H=inf must be a finite number >= 1"},
        {2, 3, -1, 1, 10, 255, "M=3 must be a multiple of 2"},
        {2, 4, -1, 1, 0, 255, "n=0 must be between 1 and 100000"},
        {2, 4, -1, 1, 100001, 255, "n=100001 must be between"},
        {2, 4, 0.5, std::nextafter(0.5, 1), 2, 1, "no sound table: .* fewer than n \\+ 1 = 3 doubles"},
        // The density in doubles steps near 0, by 5.4 % here and to 0 below.
        {1e15, 0, -1, 1, 10, 1, "no sound table: H=1e\\+15 is too large, the density drops by 5.4%"},
        {1e300, 2, -1, 1, 10, 1, "no sound table: H=1e\\+300 is too large"},
        // With M = 0 too: past 1.34e19 the computed density is a box of half-width 2^-27.
        {2e19, 0, -1, 1, 10, 1, "no sound table: H=2e\\+19 is too large, the density drops by 100%"},
        {1e300, 0, -1, 1, 100, 1, "no sound table: H=1e\\+300 is too large"},
    };
    for (const auto& [h, m, xini, xfin, n, status, message] : cases) {
        try {
            envelope::build(envelope::check_answers(h, m, xini, xfin, n), envelope::mode::tight);
            ADD_FAILURE() << "no failure: " << message;
        } catch (const numeric::failure& f) {
            EXPECT_EQ(f.kind() == numeric::failure_kind::refused ? 255 : 1, status) << message;
            EXPECT_TRUE(testing::internal::RE::PartialMatch(f.what(), testing::internal::RE("^" + message))) << f.what();
        }
    }
}

}  // namespace
