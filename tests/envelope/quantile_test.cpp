// The quantile against the exact cdf over laws chosen to break interpolation:
// monotone, within its stated bound on a dense grid, at the tails' extreme
// uniforms and at random ones; its ends, its refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cmath>
#include <limits>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "envelope/law/quantile.hpp"
#include "sin_cos/error.hpp"
#include "sin_cos/quantile.hpp"

namespace {

// The largest H the tool takes: (H - 1) 2^-54 = 1e-4.
const double largest_H = 1 + 1e-4 * 0x1p54;

struct interval {
    double xini, xfin;
};

// The uniforms a law is checked at: a grid, the tails down to 1e-300 and up to
// 1 - 2^-53, runs of adjacent doubles, and random ones.
std::vector<double> uniforms()
{
    std::vector<double> u;
    for (int i = 1; i < 1500; ++i) u.push_back(i / 1500.0);
    for (double t = 0.1; t > 1e-300; t /= 10) u.push_back(t), u.push_back(1 - t);
    u.push_back(0x1p-53), u.push_back(1 - 0x1p-53), u.push_back(std::numeric_limits<double>::denorm_min());
    // Adjacent doubles: where the polynomial's rounding noise exceeds x's
    // true step, values could come out of order.
    for (double centre : {1e-12, 1e-3, 0.1, 0.25, 0.3, 0.5, 0.7, 0.75, 0.9, 0.999, 1 - 1e-12}) {
        double v = centre;
        for (int i = 0; i < 24; ++i) u.push_back(v), v = std::nextafter(v, 2.0);
    }
    std::mt19937_64 engine(34);
    for (int i = 0; i < 500; ++i) u.push_back(sin_cos::quantile::uniform(engine()));
    u.erase(std::remove_if(u.begin(), u.end(), [](double v) { return !(v > 0 && v < 1); }), u.end());
    std::sort(u.begin(), u.end());
    return u;
}

void expect_within_bound(double xini, double xfin, double H, int M, double resolution)
{
    const std::string law = "H=" + std::to_string(H) + " M=" + std::to_string(M) + " [" + std::to_string(xini) +
                            ", " + std::to_string(xfin) + "] resolution " + std::to_string(resolution);
    SCOPED_TRACE(law);
    const sin_cos::quantile q(sin_cos::law{xini, xfin, H, M}, resolution);
    const sin_cos::law_functions f(q.law());
    const sin_cos::u_error_bound stated = q.u_error();
    EXPECT_EQ(stated.resolution, resolution);
    EXPECT_EQ(stated.bound, std::max(resolution, stated.jump));
    EXPECT_EQ(q.ppf(0), xini);
    EXPECT_EQ(q.ppf(1), xfin);
    double previous = xini, worst = 0, worst_u = 0;
    for (double u : uniforms()) {
        const double x = q.ppf(u);
        ASSERT_GE(x, previous) << "u=" << u;
        ASSERT_LE(x, xfin) << "u=" << u;
        previous = x;
        const double e = std::fabs(f.cdf(x) - u);
        if (e > worst) worst = e, worst_u = u;
    }
    EXPECT_LE(worst, stated.bound) << "at u=" << worst_u;

    // In bulk, in place too, the values one by one: the bulk loop takes most
    // pieces without branches, apart from evaluate.
    std::vector<double> u = uniforms();
    u.insert(u.end(), {0.0, 1.0, -0.0, -1e-300, 1 + 0x1p-52, std::numeric_limits<double>::quiet_NaN()});
    std::vector<double> x(u.size());
    q.ppf(u, x);
    for (std::size_t i = 0; i < u.size(); ++i)
        ASSERT_EQ(std::bit_cast<std::uint64_t>(x[i]), std::bit_cast<std::uint64_t>(q.ppf(u[i]))) << "u=" << u[i];
    q.ppf(u, u);
    ASSERT_TRUE(std::equal(u.begin(), u.end(), x.begin(), [](double a, double b) {
        return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
    }));
}

TEST(Quantile, StaysWithinItsBoundOverLawsChosenToBreakInterpolation)
{
    const double Hs[] = {-0.99, 0, 1.01, 1e6, largest_H};
    const int Ms[] = {0, 2, 50};
    const interval intervals[] = {
        {-1, 1}, {0, 1e-300}, {0, 1}, {-1, 0}, {-0.5, 0.75}, {0.3, std::nextafter(std::nextafter(0.3, 1.0), 1.0)},
        {1 - 0x1p-50, 1}, {-1e-200, 1e-200},
    };
    for (double H : Hs)
        for (int M : Ms)
            for (const interval& i : intervals) expect_within_bound(i.xini, i.xfin, H, M, 1e-12);
}

// A stream of random laws: H from near -1 to 1e6, M up to 50, intervals
// anywhere in [-1, 1] down to a few thousand doubles wide.
TEST(Quantile, RandomLawsStayWithinTheirBound)
{
    std::mt19937_64 engine(3434);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int Ms[] = {0, 2, 4, 10, 50};
    for (int i = 0; i < 24; ++i) {
        const double H = -0.99 + std::pow(10.0, 6 * unit(engine)) - 1 + 0.01 * unit(engine);
        const int M = Ms[engine() % 5];
        double a = 2 * unit(engine) - 1, b = 2 * unit(engine) - 1;
        if (i % 3 == 0) a = -1, b = 1;
        if (a > b) std::swap(a, b);
        if (i % 5 == 1) b = std::min(1.0, a + 1e-12 * (1 + std::fabs(a)));
        if (!(a < b)) continue;
        expect_within_bound(a, b, H, M, i % 4 == 0 ? 1e-14 : 1e-12);
    }
}

// Windows far from a large H's peak, where the cdf steps by more than the
// resolution between adjacent doubles near one end: a value one double off
// between the checks once exceeded the largest step stated.
TEST(Quantile, StepLimitedWindowsStayWithinTheLargestStep)
{
    const sin_cos::law laws[] = {
        {-0.69334705157719734, -0.22784392014949473, 596936.50917397952, 4},
        {-0.98346597061718921, -0.37470979784928515, 201664.64161507852, 50},
        {0.2, 0.5, 1e6, 0},
    };
    for (const sin_cos::law& l : laws) {
        const sin_cos::quantile q(l);
        const sin_cos::law_functions f(q.law());
        const sin_cos::u_error_bound stated = q.u_error();
        for (int i = 1; i < 20000; ++i) {
            const double u = i / 20000.0;
            ASSERT_LE(std::fabs(f.cdf(q.ppf(u)) - u), stated.bound) << "H=" << l.H << " u=" << u;
        }
    }
}

// In bulk, the guide's cell edges (u = j 2^-k) and the values beside them,
// every length from 1 to 9 (pairs and a lone last value) at every offset,
// in place and not: the same bits as one by one.
TEST(Quantile, BulkGivesTheValuesOneByOneAtCellEdgesAndAnyLength)
{
    for (const sin_cos::law& l : {sin_cos::law{-1, 1, 100, 4}, sin_cos::law{-1, 1, -0.99, 2}, sin_cos::law{0, 1, 1.01, 0}}) {
        const sin_cos::quantile q(l);
        std::vector<double> u;
        for (int k = 9; k <= 14; ++k)
            for (int j = 0; j <= (1 << k); j += 1 + (1 << k) / 512) {
                const double e = std::ldexp(j, -k);
                u.insert(u.end(), {std::nextafter(e, -1.0), e, std::nextafter(e, 2.0)});
            }
        for (std::size_t length = 1; length <= 9; ++length)
            for (std::size_t start = 0; start + length <= 40; ++start) {
                std::vector<double> x(length), in(u.begin() + start * 97, u.begin() + start * 97 + length);
                q.ppf(in, x);
                q.ppf(in, in);
                for (std::size_t i = 0; i < length; ++i) {
                    const double one = q.ppf(u[start * 97 + i]);
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(x[i]), std::bit_cast<std::uint64_t>(one)) << u[start * 97 + i];
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(in[i]), std::bit_cast<std::uint64_t>(one)) << u[start * 97 + i];
                }
            }
        std::vector<double> x(u.size());
        q.ppf(u, x);
        for (std::size_t i = 0; i < u.size(); ++i) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(x[i]), std::bit_cast<std::uint64_t>(q.ppf(u[i]))) << u[i];
            if (i > 0 && u[i - 1] >= 0 && u[i - 1] <= u[i] && u[i] <= 1) {
                ASSERT_GE(x[i], x[i - 1]) << u[i];
            }
        }
    }
}

// Both bulk loops, the widest this processor runs and the two-lane one, on
// laws with end steps (H < 1), one piece, listed doubles, and tails whose
// guide cells hold several cuts; u outside [0, 1], NaN and the ends in every
// lane (every 37th value); lengths about the lane counts, in place and not:
// every value the bits of ppf one by one.
TEST(Quantile, BothBulkLoopsGiveTheValuesOneByOne)
{
    using detail_quantile = sin_cos::detail::quantile;
    struct restore {
        ~restore() { detail_quantile::bulk_lanes(detail_quantile::lanes::widest); }
    } restore_lanes;
    const double inf = std::numeric_limits<double>::infinity();
    const double odd[] = {0.0, 1.0, -0.0, -1e-300, 1 + 0x1p-52, std::numeric_limits<double>::quiet_NaN(), inf, -inf,
                          std::numeric_limits<double>::denorm_min(), 0x1p-53, 1 - 0x1p-53};
    std::vector<double> u;
    std::mt19937_64 engine(3535);
    for (int i = 0; i < 1000; ++i) u.push_back(sin_cos::quantile::uniform(engine()));
    for (int k = 1; k < 300; ++k) u.push_back(std::ldexp(k, -17)), u.push_back(1 - std::ldexp(k, -17));
    for (std::size_t i = 0; i < u.size(); i += 37) u[i] = odd[(i / 37) % std::size(odd)];
    const sin_cos::law laws[] = {{-1, 1, 12, 4}, {-1, 1, 1.5, 0}, {0, 1, 1e6, 0}, {-1, 1, -0.99, 2},
                                 {0, 1e-300, -0.99, 0}, {0.3, 0.3000000000000001, -0.99, 0}, {-0.5, 0.75, 1e6, 50}};
    for (const sin_cos::law& l : laws)
        for (const auto lanes : {detail_quantile::lanes::widest, detail_quantile::lanes::two}) {
            detail_quantile::bulk_lanes(lanes);
            const detail_quantile q(l.xini, l.xfin, l.H, l.M);
            for (const std::size_t size : {0, 1, 3, 5, 255, 256, 257, 1000})
                for (const std::size_t start : {0, 1, 2, 3, 5, 590}) {
                    SCOPED_TRACE("H=" + std::to_string(l.H) + " M=" + std::to_string(l.M) + " lanes " +
                                 std::to_string(static_cast<int>(lanes)) + " size " + std::to_string(size) +
                                 " start " + std::to_string(start));
                    std::vector<double> in(u.begin() + static_cast<std::ptrdiff_t>(start),
                                           u.begin() + static_cast<std::ptrdiff_t>(start + size));
                    std::vector<double> x(size);
                    q.ppf(in, x);
                    std::vector<double> same = in;
                    q.ppf(same, same);
                    // x overlapping u one value after it, and one before.
                    std::vector<double> after(size + 1), before(size + 1);
                    std::copy(in.begin(), in.end(), after.begin());
                    q.ppf(std::span<const double>(after).first(size), std::span<double>(after).subspan(1));
                    std::copy(in.begin(), in.end(), before.begin() + 1);
                    q.ppf(std::span<const double>(before).subspan(1), std::span<double>(before).first(size));
                    for (std::size_t i = 0; i < size; ++i) {
                        const auto one = std::bit_cast<std::uint64_t>(q.ppf(in[i]));
                        ASSERT_EQ(std::bit_cast<std::uint64_t>(x[i]), one) << "u=" << in[i] << " at " << i;
                        ASSERT_EQ(std::bit_cast<std::uint64_t>(same[i]), one) << "in place, u=" << in[i] << " at " << i;
                        ASSERT_EQ(std::bit_cast<std::uint64_t>(after[i + 1]), one) << "x after u, u=" << in[i];
                        ASSERT_EQ(std::bit_cast<std::uint64_t>(before[i]), one) << "x before u, u=" << in[i];
                    }
                }
        }
}

TEST(Quantile, MeetsEveryResolutionFrom1e14To1e6)
{
    for (double resolution : {1e-14, 1e-10, 1e-6}) {
        expect_within_bound(-1, 1, 2, 4, resolution);
        expect_within_bound(-1, 1, 3, 10, resolution);  // zero at 0, bimodal
        expect_within_bound(-0.2, 0.9, 0.5, 0, resolution);
    }
}

// Where doubles are too sparse for the resolution, the bound is the step
// between them, found where it is: at the end for H < 1 on [-1, 1].
TEST(Quantile, StatesTheCdfStepWhereNoDoubleMeetsTheResolution)
{
    struct row {
        double xini, xfin, H;
        int M;
        bool stepped;
    };
    const row rows[] = {
        {-1, 1, -0.99, 0, true}, {-1, 1, 0, 0, true},  {0, 1, 0.999, 2, false},
        {-1, 1, 2, 4, false},    {0.3, 0.3 + 1e-15, 2, 4, true},
    };
    for (const row& r : rows) {
        const sin_cos::quantile q(sin_cos::law{r.xini, r.xfin, r.H, r.M});
        const sin_cos::law_functions f(q.law());
        const sin_cos::u_error_bound e = q.u_error();
        EXPECT_EQ(e.jump > e.resolution, r.stepped) << "H=" << r.H;
        if (!r.stepped) {
            EXPECT_EQ(e.bound, 1e-12);
            EXPECT_TRUE(std::isnan(e.where));
            continue;
        }
        // The step at `where` is the stated jump (the cdf at the next double).
        const double next = std::nextafter(e.where, 2.0);
        EXPECT_NEAR(f.cdf(next) - f.cdf(e.where), e.jump, 1e-3 * e.jump) << "H=" << r.H;
    }
}

TEST(Quantile, DrawsAreItsValuesAtTheTopBitsOfEachWord)
{
    const sin_cos::quantile q(sin_cos::law{-1, 1, 0, 2});
    std::mt19937_64 a(7), b(7);
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t w = b();
        EXPECT_EQ(q.draw(a), q.ppf(static_cast<double>(w >> 11) * 0x1p-53));
    }
    EXPECT_EQ(sin_cos::quantile::uniform(~std::uint64_t{0}), 1 - 0x1p-53);
    EXPECT_EQ(sin_cos::quantile::uniform(0), 0);
    std::vector<double> u{0.1, 0.5, 0.9, -0.5, 1.5}, x(5);
    q.ppf(u, x);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(x[i], q.ppf(u[i]));
    EXPECT_TRUE(std::isnan(x[3]) && std::isnan(x[4]));
}

TEST(Quantile, RefusesBadLawsAndResolutionsNamingTheValue)
{
    struct row {
        double xini, xfin, H;
        int M;
        double resolution;
        const char* named;
        sin_cos::errc kind;
    };
    const row rows[] = {
        {-1, 1, -1, 0, 1e-12, "H=-1", sin_cos::errc::refused},
        {-1, 1, 2, 3, 1e-12, "M=3", sin_cos::errc::refused},
        {0.5, 0.5, 2, 0, 1e-12, "xini=0.5", sin_cos::errc::refused},
        {-1, 1, 2, 0, 1e-15, "resolution=1e-15", sin_cos::errc::invalid_argument},
        {-1, 1, 2, 0, 1e-5, "resolution=1e-05", sin_cos::errc::invalid_argument},
    };
    for (const row& r : rows) {
        try {
            sin_cos::quantile q(sin_cos::law{r.xini, r.xfin, r.H, r.M}, r.resolution);
            ADD_FAILURE() << r.named << " accepted";
        } catch (const sin_cos::error& f) {
            EXPECT_EQ(f.kind(), r.kind) << r.named;
            EXPECT_NE(std::string(f.what()).find(r.named), std::string::npos) << f.what();
        }
    }
}

}  // namespace
