#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "envelope/classic/calibration.hpp"
#include "envelope/classic/corrections.hpp"
#include "envelope/classic/density.hpp"
#include "envelope/classic/edges.hpp"
#include "envelope/classic/state.hpp"
#include "envelope/classic/positivity.hpp"
#include "envelope/classic/settings.hpp"
#include "numeric/error.hpp"
#include "numeric/romberg.hpp"

namespace {

using namespace envelope;

const double inf = std::numeric_limits<double>::infinity();

class Envelope : public testing::Test {
protected:
    void SetUp() override { use(-1, 1, 2, 4, 5000); }

    // A fresh state with the tool's start-up settings and the calibration target of an n-bin run.
    void use(double xini, double xfin, double h, int m, int n)
    {
        settings s = for_density({h, m}, xini, xfin);
        s.Xlimit = xfin + 0.5 / n;
        st.emplace(s);
    }

    std::optional<state> st;
};

// body runs in a child that must end with `status` within a time bound, so a
// hang fails instead of blocking; a failure ends it with its status and message.
void expect_ends(const std::function<void()>& body, int status, const std::string& stderr_regex)
{
    const auto child = [&] {
        alarm(20);
        try {
            body();
        } catch (const numeric::failure& f) {
            std::fprintf(stderr, "%s\n", f.what());
            std::exit(f.kind() == numeric::failure_kind::refused ? 255 : 1);
        }
        std::exit(0);
    };
    EXPECT_EXIT(child(), testing::ExitedWithCode(status), stderr_regex);
}
const char* const failed = "\n$";

TEST_F(Envelope, BinHeightsComeFromTheStationaryPointsAndEnds)
{
    const std::tuple<double, double, double, int, double, double, double> cases[] = {
        // xini, xfin, H, M, bin, height
        {-1, 1, 2, 4, 0.5, 1, 0.2862167011199731},  // holds xm = sqrt(0.8)
        {-1, 1, 2, 4, -1, 1, 0.2862167011199731},   // holds both stationary points
        {-1, 1, 2, 4, 0.95, 1, 0.25432949504664926},  // falling side: the left end
        {-1, 1, 2, 4, -0.2, 0.3, 0.00772690753147726},
        {-1, 1, 2, 0, -0.5, -0.1, 0.99498743710662},
        {-1, 1, 2, 0, -0.1, 0.2, 1},
        {-1, 1, 2, 0, 0.1, 0.5, 0.99498743710662},
        {-1, 1, 1, 4, 0.5, 1, 1},  // xm = 1
        {-1, 1, 1, 0, 0.2, 0.7, 1},
        // The chosen point lies outside the domain: past Xfin, before Xini (-xm wins over xm), past Xfin.
        {-0.5, 0.5, 2, 4, 0.3, 1, 0},
        {-0.5, 1, 2, 4, -1, 1, 0},
        {-1, -0.3, 2, 0, -0.35, -0.25, 0},
    };
    for (const auto& [xini, xfin, h, m, x0, x1, height] : cases) {
        use(xini, xfin, h, m, 5000);
        EXPECT_DOUBLE_EQ(g1_Deltax_max(*st, x0, x1), height) << x0 << ".." << x1 << " H=" << h << " M=" << m;
        EXPECT_DOUBLE_EQ(g1_Deltax(*st, x0, x1, 0.125), height * (x1 - x0) - 0.125);
    }
    use(-0.5, 0.7, 2, 4, 5000);
    EXPECT_DOUBLE_EQ(g1(*st, -0.5), 0.0625 * std::sqrt(0.75));
    EXPECT_DOUBLE_EQ(g1(*st, 0.7), 0.2401 * std::sqrt(0.51));
    EXPECT_EQ(g1(*st, std::nextafter(-0.5, -inf)), 0);
    EXPECT_EQ(g1(*st, std::nextafter(0.7, inf)), 0);
    EXPECT_EQ(g1(*st, std::nan("")), 0);
}

TEST_F(Envelope, PositivityScanEndsOnDegenerateDomains)
{
    for (const auto& [xini, xfin] : std::vector<std::pair<double, double>>{
             {-1, 1}, {1, -1}, {0.3, 0.3}, {-1, inf}, {0.5, std::nextafter(0.5, 1)}}) {
        use(xini, xfin, 2, 4, 5000);
        expect_ends([&] { check_g_positive(*st, xini, xfin); }, 0, "^$");
    }
}

TEST_F(Envelope, OutwardSearchStepsUntilTheResidualTurnsPositive)
{
    const std::tuple<double, double, double, double> cases[] = {
        // x0, step, zero of the residual p - zero, result
        {0, 0.1, 0.2, 1.01 * 0.2},
        {-1, 0.5, -0.5, -0.5},  // left of 0, 1.01 * p would leave the zero unbracketed
        {0, 0.1, 0.25, 0.30000000000000004},
        {0.95, 0.1, 5, 2.0000999999999998},  // one stride past Xlimit and still negative: the sentinel
        {0.95, 0.1, 1.02, 0.95 + 0.1},       // past Xlimit but positive
    };
    for (const auto& [x0, step, z, result] : cases) {
        EXPECT_EQ(root1(*st, [z = z](double p) { return p - z; }, x0, step), result) << z;
    }
    EXPECT_EQ(root1(*st, [](double) { return std::nan(""); }, 0.5, 0.1), st->Xlimit + 1);
}

TEST_F(Envelope, EdgesLieJustLeftOfTheResidualsZero)
{
    const std::vector<std::tuple<double, double, std::vector<double>, double>> cases = {
        {0, 0.001, {0.1, 0.2, 0.30000000000000004}, 0.2528537507453067},
        {-1, 0.001, {-0.9}, -0.991877475082018},
        {0.5, 0.01, {0.6}, 0.597721559594085},
        {0.99, 0.01, {1.09}, 1.0637959764176341},  // past Xlimit, though the bracket's low end is not
    };
    for (const auto& [x0, a, expected_probes, zero] : cases) {
        std::vector<double> probes;
        const auto recorded = [&, x0 = x0, a = a](double x) { return probes.push_back(x), g1_Deltax(*st, x0, x, a); };
        EXPECT_EQ(root1(*st, recorded, x0, st->Acc_interval), expected_probes.back());
        EXPECT_EQ(probes, expected_probes);
        const double edge = find_x(*st, x0, a);
        EXPECT_LE(edge, zero + 1e-15) << x0;
        EXPECT_GE(edge, zero - 2 * st->Acc_ridders - 1e-15) << x0;
        EXPECT_LE(g1_Deltax(*st, x0, edge, a), 0) << x0;
    }
    EXPECT_EQ(find_x(*st, -0.2, g1(*st, -0.2) * 0.2), 0);  // the probe at 0 hits the zero exactly
}

TEST_F(Envelope, EdgesPastXlimitBecomeTheSentinel)
{
    EXPECT_EQ(find_x(*st, find_x(*st, 0.99, 0.01), 0.01), 2.0000999999999998);
    const double sentinel = st->Xlimit + 1;
    std::vector<double> x = {-1, 7, 7, 7};
    find_x_all(*st, 1.0, x.data(), 3);  // no bin from -1 holds that much
    EXPECT_EQ(x, (std::vector<double>{-1, sentinel, sentinel, sentinel}));
    x = {0.5, 7};
    find_x_all(*st, 0.01, x.data(), 0);
    EXPECT_EQ(x, (std::vector<double>{0.5, 7}));

    st->Xlimit = 0.5;  // inside the domain, so that a search would find an edge
    EXPECT_NEAR(find_x(*st, 0.5, 0.01), 0.597721559594085, 2 * st->Acc_ridders);
    EXPECT_EQ(find_x(*st, std::nextafter(0.5, 1), 0.01), 1.5);
}

struct Built {
    std::vector<double> x, f1;
    double a;
    std::vector<low_bin> low;
};

double integral(const state& s, double xini, double xfin)
{
    return numeric::qromb([&s](double x) { return g1(s, x); }, xini, xfin);
}

// The steps of a histogram build, on a state of its own.
Built build(double xini, double xfin, double h, int m, int n)
{
    settings s = for_density({h, m}, xini, xfin);
    s.Xlimit = calibration_target(xfin, n);
    state st(s);
    Built b{std::vector<double>(n + 1), std::vector<double>(n), 0, {}};
    b.x[0] = xini;
    b.x[n] = xfin;
    b.a = find_a(st, integral(st, xini, xfin) / n, b.x.data(), n);
    corrections(st, pinned_last_edge(s.Xlimit, n), b.x.data(), b.f1.data(), &b.a, n, &b.low);
    return b;
}

TEST_F(Envelope, CalibrationBracketsFromEitherSide)
{
    const int n = 20;
    use(-1, 1, 2, 4, n);
    const double a0 = integral(*st, -1, 1) / n;
    std::vector<double> found;
    for (const double start : {a0 / 100, a0 / 1.2, a0, a0 * 1.2, a0 * 100}) {
        std::vector<double> x(n + 1, -1.0);
        const double a = find_a(*st, start, x.data(), n);
        found.push_back(a);
        EXPECT_LT(std::fabs(x[n] - st->Xlimit), 0.0001) << start;
        for (int i = 0; i < n; ++i) EXPECT_LE(g1_Deltax_max(*st, x[i], x[i + 1]) * (x[i + 1] - x[i]), a) << start;
        find_x_all(*st, a, x.data(), n);
        EXPECT_GE(x[n], st->Xlimit) << start;  // the bracket's high end
    }
    for (const double a : found) EXPECT_NEAR(a / found[0], 1, 1e-3);

    // A last edge exactly on Xlimit counts as too far: the area is the high end from the start.
    std::vector<double> x = {-1, 0};
    st->Xlimit = find_x(*st, -1, 0.1);
    EXPECT_LE(find_a(*st, 0.1, x.data(), 1), 0.1);
    EXPECT_LT(std::fabs(x[1] - st->Xlimit), 0.0001);
}

TEST_F(Envelope, CalibrationEndsOnEveryPath)
{
    // Past -0.5 the height drops to zero: the last edge jumps from inside the
    // domain to the sentinel, never within 0.0001 of Xlimit = 0, and the pass cap ends it.
    use(-1, -0.5, 2, 0, 1);
    const double widest = g1(*st, -0.5000000000000001) * 0.4999999999999999;  // up to the last probe inside
    expect_ends([&] {
        std::vector<double> x = {-1, -0.5};
        std::exit(std::fabs(find_a(*st, 0.3, x.data(), 1) - widest) < 1e-12 ? 0 : 3);
    }, 0, "^$");

    for (const double start : {0.0, -1.0, std::nan(""), inf}) {
        std::vector<double> x(11, -1.0);
        expect_ends([&] { find_a(*st, start, x.data(), 10); }, 1, "^the density has no usable integral on \\[-1, -0.5\\]: starting bin area .*\n$");
    }
    // Bins narrower than the root finder's tolerance; residuals too small to square.
    for (const auto& [xini, xfin, h, m] : {std::tuple(-1.0, -0.99999999, 2.0, 4), std::tuple(0.75, 0.8, 1000.0, 0)}) {
        expect_ends([&] { build(xini, xfin, h, m, 1000); }, 1, failed);
    }
}

TEST_F(Envelope, CorrectionsPinTheLastEdgeAndScaleTheArea)
{
    const double tight = 0.2862167011199731 * 1.99 / 1.001;  // bin 0 of [-1, 0.99, 1] at its maximum
    const std::vector<std::tuple<std::vector<double>, double, double, std::vector<int>>> cases = {
        // edges (the last one is replaced), area, factor (0: above 1.001, from the last bin), bins below their maximum
        {{-1, 0, 9}, 1, 1.001, {}},
        {{-1, 0, 9}, 0.1, 0, {}},
        {{-1, 0.99, 9}, tight * (1 - 1e-9), 1.001, {0}},
        {{-1, 0.99, 9}, tight * (1 + 1e-9), 1.001, {}},
        {{-1, 0.6, 0.9, 9}, 0.01, 0, {0, 1}},
    };
    for (const auto& [edges, area, expected_factor, low_bins] : cases) {
        std::vector<double> x = edges, f1(x.size() - 1);
        const int n = static_cast<int>(f1.size());
        const double last_edge = pinned_last_edge(calibration_target(1, n), n);
        double a = area;
        std::vector<low_bin> low;
        const double factor = corrections(*st, last_edge, x.data(), f1.data(), &a, n, &low);
        std::vector<int> found;
        for (const low_bin& b : low) {
            found.push_back(b.i);
            EXPECT_LT(b.f1, b.max);
            EXPECT_EQ(b.f1, f1[b.i]);
            EXPECT_EQ(b.x0, x[b.i]);
        }
        EXPECT_EQ(found, low_bins);
        EXPECT_EQ(last_edge, 1 + 0.5 / n - 0.5 / n);  // the tool's rounding, which its plot file shows
        EXPECT_EQ(x[n], last_edge);
        EXPECT_TRUE(std::equal(x.begin(), x.end() - 1, edges.begin()));
        EXPECT_EQ(a, area * factor);
        if (expected_factor != 0) {
            EXPECT_EQ(factor, expected_factor);
        } else {  // the last bin comes out at 1.001 times its maximum
            EXPECT_GT(factor, 1.001);
            EXPECT_DOUBLE_EQ(f1[n - 1], 1.001 * g1_Deltax_max(*st, x[n - 1], x[n]));
        }
        for (int i = 0; i < n; ++i) EXPECT_DOUBLE_EQ(f1[i] * (x[i + 1] - x[i]), a) << i;
    }
}

// The density's maximum on a bin, sampled densely.
double sampled_max(const settings& s, double x0, double x1)
{
    double m = 0;
    for (int k = 0; k <= 63; ++k) m = std::max(m, g1(s, k == 63 ? x1 : x0 + (x1 - x0) * k / 63));
    return m;
}

TEST_F(Envelope, EveryBinHoldsTheAreaAndClearsTheDensity)
{
    const std::tuple<double, double, double, int, int> cases[] = {
        // xini, xfin, H, M, n
        {-1, 1, 2, 4, 5000}, {-1, 1, 2, 0, 1},  {-1, 1, 2, 60, 3000}, {-1, 1, 3.5, 10, 100},  {-1, 1, 30, 2, 7},
        {-1, 1, 12, 30, 4000}, {0, 1, 2, 0, 1000}, {0, 1, 30, 10, 2000}, {0, 1, 2, 60, 500}, {0, 1, 7.3, 2, 17},
        {0, 1, 2, 4, 1},      {-1, 1, 2.11, 4, 100000},
    };
    for (const auto& [xini, xfin, h, m, n] : cases) {
        SCOPED_TRACE(testing::Message() << "[" << xini << "," << xfin << "] H=" << h << " M=" << m << " n=" << n);
        const Built b = build(xini, xfin, h, m, n);
        EXPECT_TRUE(b.low.empty());
        const settings density = for_density({h, m}, xini, xfin);
        EXPECT_NEAR(b.x[n], xfin, 1e-15);
        for (int i = 0; i < n; ++i) {
            const double w = b.x[i + 1] - b.x[i];
            // Margin 1.001 on every bin: edges sit at or left of their zeros, and the area is never below theirs.
            ASSERT_TRUE(w > 0 && std::fabs(b.f1[i] * w - b.a) <= 1e-12 * b.a &&
                        b.f1[i] >= 1.001 * sampled_max(density, b.x[i], b.x[i + 1]) * (1 - 1e-12))
                << "bin " << i << " [" << b.x[i] << ", " << b.x[i + 1] << "] f1=" << b.f1[i];
        }
    }
}

}  // namespace
