#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <locale>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "sin_cos/distribution.hpp"
#include "sin_cos/sampler.hpp"
#include "sin_cos/table.hpp"
#include "tool_tables.hpp"

using namespace tool_tables;

namespace {

TEST(SinCosDistribution, AcceptanceRateAndReproducibility)
{
    for (const auto& answers : tables) {
        const sin_cos::distribution dist(sin_cos::load_table(tool_table(answers).string()));
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
    using dist_t = sin_cos::distribution;
    static_assert(std::is_same_v<dist_t::param_type::distribution_type, dist_t>);
    const dist_t d(sin_cos::load_table(tool_table(tables[1]).string()));
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

    // Two words of the caller's make a proposal as two engine words do; the
    // largest word stays in the last bin.
    std::mt19937_64 g(3), h(3);
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t w1 = h();
        ASSERT_EQ(d.propose(g), d.propose(w1, h()));
    }
    const auto last = d.propose(~std::uint64_t{0}, 0);
    ASSERT_TRUE(last);
    EXPECT_LE(*last, d.table().xfin);
    EXPECT_GE(*last, d.table().edges[d.table().bins() - 1]);
}

}  // namespace

namespace {

// What the tool writes reads back as the very doubles, and only the decimal
// forms it writes are numbers.
TEST(ReadTable, NumbersAreExactAndDecimal)
{
    const fs::path file = fresh_dir() / "Sin_Cos.res";
    for (const auto m : {sin_cos::mode::classic, sin_cos::mode::tight}) {
        const sin_cos::table built = sin_cos::build_table(sin_cos::law{-0.3, 0.9, 2.11, 4}, 5000, m);
        sin_cos::write_table(built, file.string());
        const sin_cos::table back = sin_cos::load_table(file.string());
        EXPECT_EQ(std::bit_cast<std::uint64_t>(back.a), std::bit_cast<std::uint64_t>(built.a));
        ASSERT_EQ(back.edges.size(), built.edges.size());
        for (std::size_t i = 0; i < built.edges.size(); ++i)
            ASSERT_EQ(std::bit_cast<std::uint64_t>(back.edges[i]), std::bit_cast<std::uint64_t>(built.edges[i])) << i;
    }

    // The flat density in three bins, its first edge -1 written otherwise.
    sin_cos::write_table(sin_cos::build_table(sin_cos::law{-1, 1, 1, 0}, 3), file.string());
    std::vector<std::string> lines = lines_of(file);
    const auto with_first_edge = [&](const std::string& token) {
        std::string text;
        for (std::size_t i = 0; i < lines.size(); ++i) text += (i == 4 ? token : lines[i]) + "\n";
        return text;
    };
    for (const char* good : {"-1", "-1.", "-.1e1", "-10E-1", "-1.0000000000000000001"}) {
        std::istringstream text(with_first_edge(good));
        EXPECT_EQ(sin_cos::read_table(text, "good").edges[0], -1.0) << good;
    }
    for (const char* bad : {"-0x1p0", "-0X1", "+-1", "-1,0", "-", "-1e", "-1e400", "-1x", "nan", "-inf"}) {
        std::istringstream text(with_first_edge(bad));
        try {
            sin_cos::read_table(text, "bad");
            ADD_FAILURE() << bad;
        } catch (const sin_cos::table_error& e) {
            EXPECT_EQ(e.line(), 5) << bad << ": " << e.what();
        }
    }
}

}  // namespace
