#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <locale>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "sin_cos/distribution.hpp"
#include "sin_cos/table.hpp"
#include "tool_tables.hpp"

using namespace tool_tables;

namespace {

TEST(SinCosDistribution, AcceptanceRateAndReproducibility)
{
    for (const auto& answers : tables) {
        const sampler::sin_cos_distribution dist(sampler::load_table(tool_table(answers).string()));
        std::mt19937_64 rng(42);
        const int proposals = 200000;
        int accepted = 0;
        for (int i = 0; i < proposals; ++i) {
            if (const auto x = dist.propose(rng)) {
                ++accepted;
                ASSERT_TRUE(*x >= dist.min() && *x <= dist.max()) << *x;
            }
        }
        const double p = 1 / (1 + dist.table().loss / 100);
        EXPECT_NEAR(static_cast<double>(accepted) / proposals, p, 4 * std::sqrt(p * (1 - p) / proposals)) << answers;

        std::mt19937_64 a(5), b(5), c(6);
        std::mt19937 narrow(5);
        bool differs = false;
        for (int i = 0; i < 1000; ++i) {
            const double x = dist(a);
            EXPECT_EQ(x, dist(b));
            differs = differs || x != dist(c);
            const double y = dist(narrow);
            EXPECT_TRUE(y >= dist.min() && y <= dist.max());
        }
        EXPECT_TRUE(differs);
    }
}

}  // namespace

namespace {

// What <random> asks of a distribution: parameters that carry the stream,
// a default, equality, and << >> that give back the very same draws.
TEST(SinCosDistribution, MeetsTheStandardsRequirements)
{
    using dist_t = sampler::sin_cos_distribution;
    static_assert(std::is_same_v<dist_t::param_type::distribution_type, dist_t>);
    const dist_t d(sampler::load_table(tool_table(tables[1]).string()));
    const dist_t flat;
    EXPECT_EQ(flat.min(), -1.0);
    EXPECT_EQ(flat.max(), 1.0);
    EXPECT_TRUE(d != flat && !(d == flat) && d.param() != flat.param());

    std::mt19937_64 a(9), b(9);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(flat(a, d.param()), d(b));
    dist_t e;
    e.param(d.param());
    EXPECT_TRUE(e == d && e == dist_t(d.param()));

    std::stringstream text;
    text.imbue(std::locale::classic());
    text.precision(3);
    text << d << ' ' << flat;
    EXPECT_EQ(text.precision(), 3);
    dist_t back, back_flat;
    ASSERT_TRUE(text >> back >> back_flat);
    EXPECT_TRUE(back == d && back_flat == flat);
    EXPECT_EQ(back.table().loss, d.table().loss);
    EXPECT_EQ(back.table().xfin, d.table().xfin);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(back(a), d(b));

    // Unsound, truncated, not numbers: failbit, and the distribution as it was.
    for (const char* bad : {"2 4 -1 1 0 1 2 -1 0.5 0", "2 4 -1 1 0 -1 1 -1 1", "2 4 -1 1 0 1 2 -1 0", "2 4 x"}) {
        std::istringstream in(bad);
        dist_t kept = d;
        EXPECT_FALSE(in >> kept) << bad;
        EXPECT_TRUE(kept == d) << bad;
    }

    // Three uniforms of the caller's make a proposal as three engine calls do.
    std::mt19937_64 g(3), h(3);
    for (int i = 0; i < 1000; ++i) {
        const double u = static_cast<double>(h() >> 11) * 0x1p-53, v = static_cast<double>(h() >> 11) * 0x1p-53,
                     w = static_cast<double>(h() >> 11) * 0x1p-53;
        ASSERT_EQ(d.propose(g), d.propose(u, v, w));
    }
    EXPECT_TRUE(d.propose(1.0, 1.0, 0.0));
    for (const double u : {-0.0 - 1e-300, 1.0000000000000002, std::nan("")})
        EXPECT_THROW(d.propose(0.5, u, 0.5), std::domain_error) << u;
}

}  // namespace

namespace {

// Edges read back as the very doubles printed with 17 digits, and only the
// decimal forms the tool writes are numbers.
TEST(ReadTable, NumbersAreExactAndDecimal)
{
    const auto file = [](const std::vector<std::string>& edges) {
        std::string text = "copy this line\n#define Nd_poi " + std::to_string(edges.size()) + "\n$\n2 4 " +
                           std::to_string(edges.size()) + " -1 1 0 1\n";
        for (const auto& e : edges) text += e + "\n";
        return text;
    };
    std::mt19937_64 g(1);
    std::vector<double> values;
    for (int i = 0; i < 20000; ++i) values.push_back(std::bit_cast<double>(g() >> 2) * (i % 2 ? -1 : 1));
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return !(std::fabs(v) < 1); }),
                 values.end());
    values.push_back(-1);
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    std::vector<std::string> printed;
    for (const double v : values) {
        char text[40];
        std::snprintf(text, sizeof text, printed.size() % 2 ? "%.17g" : "%20.16e", v);
        printed.push_back(text);
    }
    std::istringstream in(file(printed));
    const sampler::Table t = sampler::read_table(in, "exact");
    ASSERT_EQ(t.bins(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        ASSERT_EQ(std::bit_cast<std::uint64_t>(t.edges[i]), std::bit_cast<std::uint64_t>(values[i])) << printed[i];

    for (const char* good : {"0.5", ".5", "5e-1", "5.E-1", "-0.5"}) {
        std::istringstream text(file({"-1", good}));
        EXPECT_EQ(std::fabs(sampler::read_table(text, "good").edges[1]), 0.5) << good;
    }
    for (const char* bad : {"+0.5", "0x1p-1", "0X.8p0", "1e400", "0,5", "-", "1e", "5e-1x", "nan"}) {
        std::istringstream text(file({"-1", bad}));
        try {
            sampler::read_table(text, "bad");
            ADD_FAILURE() << bad;
        } catch (const sampler::table_error& e) {
            EXPECT_EQ(e.line(), 6) << bad;
        }
    }
}

}  // namespace
