#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "envelope/calibration.hpp"
#include "envelope/corrections.hpp"
#include "envelope/density.hpp"
#include "envelope/edges.hpp"
#include "envelope/envelope.hpp"
#include "numeric/romberg.hpp"

namespace {

using namespace envelope;

const double inf = std::numeric_limits<double>::infinity();

// The tool's start-up settings, with the calibration target of an n-bin run.
void use(double xini, double xfin, double h, int m, int n)
{
    Xini = xini, Xfin = xfin, H = h, M = m, Xlimit = xfin + 0.5 / n;
    Acc_interval = 0.1, Acc_ridders = 1e-8, Acc_a = 1e-7;
    Clip_maxima = false, Warn_low_bins = true;
}

class Envelope : public testing::Test {
protected:
    void SetUp() override { use(-1, 1, 2, 4, 5000); }
};

// Runs body in a child that must end with `status` within `seconds`; a hang fails instead of blocking.
void expect_ends(const std::function<void()>& body, int status, const std::string& stderr_regex, unsigned seconds = 20)
{
    EXPECT_EXIT((alarm(seconds), body(), std::exit(0)), testing::ExitedWithCode(status), stderr_regex);
}
const char* const fatal_exit = "\n\\.\\.\\.now exiting to system\\.\\.\\.\n$";

std::vector<double> probes;
double logged_g1_Deltax(double x0, double x, double area) { return probes.push_back(x), g1_Deltax(x0, x, area); }

TEST_F(Envelope, BinHeightsComeFromTheStationaryPointsAndEnds)
{
    struct Case {
        double xini, xfin, h;
        int m;
        double x0, x1, height;
    };
    const Case cases[] = {
        {-1, 1, 2, 4, 0.5, 1, 0.2862167011199731},    // holds xm = sqrt(0.8)
        {-1, 1, 2, 4, -1, -0.5, 0.2862167011199731},  // holds -xm
        {-1, 1, 2, 4, -1, 1, 0.2862167011199731},     // holds both
        {-1, 1, 2, 4, 0.95, 1, 0.25432949504664926},  // falling side: the left end
        {-1, 1, 2, 4, -0.2, 0.3, 0.00772690753147726},
        {-1, 1, 2, 4, 0.3, 0.3, 0.00772690753147726},
        {-1, 1, 2, 0, -0.5, -0.1, 0.99498743710662},
        {-1, 1, 2, 0, -0.1, 0.2, 1},
        {-1, 1, 2, 0, 0.1, 0.5, 0.99498743710662},
        {-1, 1, 1, 4, 0.5, 1, 1},  // xm = 1
        {-1, 1, 1, 0, 0.2, 0.7, 1},
        {-0.5, 0.5, 2, 4, 0.3, 1, 0},        // chosen xm lies past Xfin
        {-0.5, 1, 2, 4, -1, 1, 0},           // holds both: -xm is chosen, and lies before Xini
        {-1, -0.3, 2, 0, -0.35, -0.25, 0},   // chosen right end lies past Xfin
    };
    for (const Case& c : cases) {
        use(c.xini, c.xfin, c.h, c.m, 5000);
        EXPECT_DOUBLE_EQ(g1_Deltax_max(c.x0, c.x1), c.height) << c.x0 << ".." << c.x1 << " H=" << c.h << " M=" << c.m;
        EXPECT_DOUBLE_EQ(g1_Deltax(c.x0, c.x1, 0.125), c.height * (c.x1 - c.x0) - 0.125);
    }
    use(-1, 1, 2, 4, 5000);
    EXPECT_EQ(std::sqrt(0.8), 0.8944271909999159);
    EXPECT_DOUBLE_EQ(g1_Deltax_max(-1, 0.8944271909999159), 0.2862167011199731);
}

TEST_F(Envelope, DensityDomainIncludesBothEndsAndNothingElse)
{
    use(-0.5, 0.7, 2, 4, 5000);
    EXPECT_DOUBLE_EQ(g1(-0.5), 0.0625 * std::sqrt(0.75));
    EXPECT_DOUBLE_EQ(g1(0.7), 0.2401 * std::sqrt(0.51));
    EXPECT_EQ(g1(std::nextafter(-0.5, -inf)), 0);
    EXPECT_EQ(g1(std::nextafter(0.7, inf)), 0);
    EXPECT_EQ(g1(std::nan("")), 0);
}

TEST_F(Envelope, PositivityScanEndsOnDegenerateDomains)
{
    const std::vector<std::pair<double, double>> domains = {{-1, 1}, {1, -1}, {0.3, 0.3}, {-1, inf}, {0.5, std::nextafter(0.5, 1)}};
    for (const auto& [xini, xfin] : domains) {
        use(xini, xfin, 2, 4, 5000);
        expect_ends([&] { check_g_positive(xini, xfin); }, 0, "^$", 5);
    }
}

TEST_F(Envelope, OutwardSearchStepsUntilTheResidualTurnsPositive)
{
    struct Case {
        double x0, step, zero, result;
    };
    const Case cases[] = {
        {0, 0.1, 0.2, 1.01 * 0.2},  // exact zero at p >= 0
        {-1, 0.5, -0.5, -0.5},      // exact zero at p < 0: p itself keeps it bracketed
        {-1, 0.5, 0, 0},
        {0, 0.1, 0.25, 0.30000000000000004},
        {0.95, 0.1, 5, 2.0000999999999998},  // one stride past Xlimit, still negative: the sentinel
        {0.95, 0.1, 1.02, 0.95 + 0.1},     // past Xlimit but positive: returned as is
    };
    for (const Case& c : cases) {
        static double zero;
        zero = c.zero;
        EXPECT_EQ(root1([](double, double p, double) { return p - zero; }, c.x0, c.step, 1), c.result) << c.zero;
    }
    EXPECT_EQ(root1([](double, double, double) { return std::nan(""); }, 0.5, 0.1, 1), Xlimit + 1);
}

TEST_F(Envelope, EdgesLieJustLeftOfTheResidualsZero)
{
    struct Case {
        double x0, a;
        std::vector<double> probes;
        double zero;
    };
    const std::vector<Case> cases = {
        {0, 0.001, {0.1, 0.2, 0.30000000000000004}, 0.2528537507453067},
        {-1, 0.001, {-0.9}, -0.991877475082018},
        {0.5, 0.01, {0.6}, 0.597721559594085},
        {0.99, 0.01, {1.09}, 1.0637959764176341},  // past Xlimit, yet lo = 0.99... is not
    };
    for (const Case& c : cases) {
        probes.clear();
        EXPECT_EQ(root1(logged_g1_Deltax, c.x0, Acc_interval, c.a), c.probes.back());
        EXPECT_EQ(probes, c.probes);
        const double edge = find_x(c.x0, c.a);
        EXPECT_LE(edge, c.zero + 1e-15) << c.x0;
        EXPECT_GE(edge, c.zero - 2 * Acc_ridders - 1e-15) << c.x0;
        EXPECT_LE(g1_Deltax(c.x0, edge, c.a), 0) << c.x0;
    }
    // A zero hit exactly by the probe at 0 is the edge itself.
    const double a = g1(-0.2) * 0.2;
    EXPECT_EQ(find_x(-0.2, a), 0);
}

TEST_F(Envelope, EdgesPastXlimitBecomeTheSentinel)
{
    EXPECT_EQ(Xlimit + 1, 2.0000999999999998);
    EXPECT_EQ(find_x(find_x(0.99, 0.01), 0.01), 2.0000999999999998);
    EXPECT_EQ(find_x(2.5, 0.01), Xlimit + 1);

    Xlimit = 0.5;  // inside the domain, so that a search would find an edge
    EXPECT_NEAR(find_x(0.5, 0.01), 0.597721559594085, 2 * Acc_ridders);
    EXPECT_EQ(find_x(std::nextafter(0.5, 1), 0.01), 1.5);
    Xlimit = 1.0001;

    std::vector<double> x = {-1, 7, 7, 7};
    find_x_all(1.0, x.data(), 3);  // no bin from -1 holds that much
    EXPECT_EQ(x, (std::vector<double>{-1, Xlimit + 1, Xlimit + 1, Xlimit + 1}));
    x = {0.5, 7};
    find_x_all(0.01, x.data(), 0);
    EXPECT_EQ(x, (std::vector<double>{0.5, 7}));
}

// Heights every bin must clear: the density's maximum on the bin, sampled densely.
double sampled_max(double x0, double x1)
{
    double m = 0;
    for (int k = 0; k <= 63; ++k) m = std::max(m, g1(k == 63 ? x1 : x0 + (x1 - x0) * k / 63));
    return m;
}

struct Built {
    std::vector<double> x, f1;
    double a0, a;
};

// The steps of a histogram build, on the tool's settings.
Built build(double xini, double xfin, double h, int m, int n)
{
    use(xini, xfin, h, m, n);
    Built b{std::vector<double>(n + 1), std::vector<double>(n), 0, 0};
    b.x[0] = xini;
    b.x[n] = xfin;
    b.a0 = numeric::qromb(g1, xini, xfin) / n;
    b.a = find_a(b.a0, b.x.data(), n);
    corrections(b.x.data(), b.f1.data(), &b.a, n);
    return b;
}

TEST_F(Envelope, CalibrationBracketsFromEitherSide)
{
    const int n = 20;
    use(-1, 1, 2, 4, n);
    const double a0 = numeric::qromb(g1, -1, 1) / n;
    std::vector<double> found;
    for (const double start : {a0 / 100, a0 / 1.2, a0, a0 * 1.2, a0 * 100}) {
        std::vector<double> x(n + 1, 0.0);
        x[0] = -1;
        const double a = find_a(start, x.data(), n);
        found.push_back(a);
        EXPECT_LT(std::fabs(x[n] - Xlimit), 0.0001) << start;
        for (int i = 0; i < n; ++i) EXPECT_LE(g1_Deltax_max(x[i], x[i + 1]) * (x[i + 1] - x[i]), a) << start << " bin " << i;
        find_x_all(a, x.data(), n);
        EXPECT_GE(x[n], Xlimit) << start;  // the returned area is the bracket's high end
    }
    for (const double a : found) EXPECT_NEAR(a / found[0], 1, 1e-3);
}

TEST_F(Envelope, CalibrationCountsALastEdgeOnXlimitAsTooFar)
{
    const double a = 0.1;
    std::vector<double> x = {-1, 0};
    Xlimit = find_x(-1, a);
    EXPECT_LE(find_a(a, x.data(), 1), a);  // a is the bracket's high end from the start
    EXPECT_LT(std::fabs(x[1] - Xlimit), 0.0001);
}

TEST_F(Envelope, CalibrationGivesUpAfterItsPassCap)
{
    // Past -0.5 the bin height drops to zero, so the last edge jumps from inside
    // the domain to the sentinel and never comes within 0.0001 of Xlimit = 0.
    use(-1, -0.5, 2, 0, 1);
    const double widest = g1(-0.5000000000000001) * 0.4999999999999999;  // the bin up to the last probe inside
    expect_ends(
        [&] {
            std::vector<double> x = {-1, -0.5};
            if (!(std::fabs(find_a(0.3, x.data(), 1) - widest) < 1e-12)) std::exit(3);
        },
        0, "^$", 10);
}

TEST_F(Envelope, CalibrationRefusesUnusableStartsAndStuckSearches)
{
    for (const double start : {0.0, -1.0, std::nan(""), inf}) {
        std::vector<double> x(11, -1.0);
        expect_ends([&] { find_a(start, x.data(), 10); }, 1, fatal_exit);
    }
    // Bins narrower than the root finder's tolerance; residuals too small to square.
    const std::vector<std::tuple<double, double, double, int>> stuck = {{-1, -0.99999999, 2, 4}, {0.75, 0.8, 1000, 0}};
    for (const auto& [xini, xfin, h, m] : stuck) expect_ends([&] { build(xini, xfin, h, m, 1000); }, 1, fatal_exit);
}

TEST_F(Envelope, CorrectionsPinTheLastEdgeAndScaleTheArea)
{
    struct Case {
        std::vector<double> x;
        double a, factor;  // factor 0: above 1.001, set by the last bin's maximum
        std::string warnings;
    };
    const std::vector<Case> cases = {
        {{-1, 0, 9}, 1, 1.001, ""},
        {{-1, 0, 9}, 0.1, 0, ""},
        {{-1, 0.99, 9}, 0.01, 1.001, "!!! for f1[0]=0.005030 <max=0.286217 on [-1.000000,0.990000]\n"},
        // Bin 0 a hair below, then a hair above its maximum.
        {{-1, 0.99, 9}, 0.2862167011199731 * 1.99 / 1.001 * (1 - 1e-9), 1.001,
         "!!! for f1[0]=0.286217 <max=0.286217 on [-1.000000,0.990000]\n"},
        {{-1, 0.99, 9}, 0.2862167011199731 * 1.99 / 1.001 * (1 + 1e-9), 1.001, ""},
        {{-1, 0.6, 0.9, 9},
         0.01,
         0,
         "!!! for f1[0]=0.017892 <max=0.286217 on [-1.000000,0.600000]\n"
         "!!! for f1[1]=0.095424 <max=0.286217 on [0.600000,0.900000]\n"},
    };
    for (const Case& c : cases) {
        std::vector<double> x = c.x, f1(x.size() - 1);
        const int n = static_cast<int>(f1.size());
        Xlimit = 1 + 0.5 / n;
        double a = c.a;
        testing::internal::CaptureStderr();
        const double factor = corrections(x.data(), f1.data(), &a, n);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.warnings);
        EXPECT_EQ(Xlimit, 1 + 0.5 / n - 0.5 / n);
        EXPECT_EQ(x[n], Xlimit);
        EXPECT_TRUE(std::equal(x.begin(), x.end() - 1, c.x.begin()));
        EXPECT_EQ(a, c.a * factor);
        if (c.factor != 0) {
            EXPECT_EQ(factor, c.factor);
        } else {
            EXPECT_GT(factor, 1.001);
            EXPECT_DOUBLE_EQ(f1[n - 1], 1.001 * g1_Deltax_max(x[n - 1], x[n]));
        }
        for (int i = 0; i < n; ++i) EXPECT_DOUBLE_EQ(f1[i] * (x[i + 1] - x[i]), a) << i;
    }
}

TEST_F(Envelope, EveryBinHoldsTheAreaAndClearsTheDensity)
{
    struct Case {
        double xini, xfin, h;
        int m, n;
    };
    const Case cases[] = {
        {-1, 1, 2, 4, 5000}, {-1, 1, 2, 0, 1},    {-1, 1, 2, 60, 3000}, {-1, 1, 3.5, 10, 100},
        {-1, 1, 30, 2, 7},   {-1, 1, 2.11, 4, 100000}, {0, 1, 2, 0, 1000}, {0, 1, 30, 10, 2000},
        {0, 1, 2, 60, 500},  {0, 1, 7.3, 2, 17},  {0, 1, 2, 4, 1},      {-1, 1, 12, 30, 4000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "[" << c.xini << "," << c.xfin << "] H=" << c.h << " M=" << c.m << " n=" << c.n);
        testing::internal::CaptureStderr();
        const Built b = build(c.xini, c.xfin, c.h, c.m, c.n);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(b.x[0], c.xini);
        EXPECT_NEAR(b.x[c.n], c.xfin, 1e-15);
        int failures = 0;
        for (int i = 0; i < c.n && failures < 5; ++i) {
            const double w = b.x[i + 1] - b.x[i];
            const bool ok = w > 0 && std::fabs(b.f1[i] * w - b.a) <= 1e-12 * b.a && b.f1[i] >= 1.001 * sampled_max(b.x[i], b.x[i + 1]) * (1 - 1e-12);
            failures += !ok;
            EXPECT_TRUE(ok) << "bin " << i << " [" << b.x[i] << ", " << b.x[i + 1] << "] f1=" << b.f1[i];
        }
    }
}

}  // namespace
