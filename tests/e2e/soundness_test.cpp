#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "runner.hpp"

using e2e::lines;

namespace {

// A table the tool reports as written must be readable as one: banner, header,
// n strictly increasing edges inside the interval, a positive area, 2n plot lines.
testing::AssertionResult well_formed(const e2e::Result& r)
{
    if (!r.table || !r.plot) return testing::AssertionFailure() << "a file is missing";
    const auto t = lines(*r.table);
    if (t.size() < 5) return testing::AssertionFailure() << "table has " << t.size() << " lines";
    double h, xini, xfin, loss, a;
    int m, n;
    if (std::sscanf(t[3].c_str(), "%lf %d %d %lf %lf %lf %lf", &h, &m, &n, &xini, &xfin, &loss, &a) != 7)
        return testing::AssertionFailure() << "header: " << t[3];
    if (t.size() != static_cast<size_t>(n) + 4) return testing::AssertionFailure() << "table lines for n=" << n;
    if (lines(*r.plot).size() != 2 * static_cast<size_t>(n)) return testing::AssertionFailure() << "plot lines";
    if (!(a > 0) || !std::isfinite(a) || !std::isfinite(loss)) return testing::AssertionFailure() << "area " << a;
    double previous = -INFINITY;
    for (int i = 0; i < n; ++i) {
        const double x = std::strtod(t[4 + i].c_str(), nullptr);
        if (!(x > previous) || x < xini - 1e-6 || x >= xfin + 1e-6)
            return testing::AssertionFailure() << "edge " << i << " = " << x;
        previous = x;
    }
    return testing::AssertionSuccess();
}

// The first calibration misses its target: the table is recalibrated, said
// once on standard error, and written sound; or the first table, valid but
// rescued by a large correction factor, is kept because its loss is smaller;
// or no sound table exists (a domain one ulp wide, an H whose density doubles
// cannot evaluate to the margin) and the table file keeps only its banner.
TEST(Recalibration, KeepsTheBetterSoundTableOrEndsWithStatusOne)
{
    const struct {
        const char* input;
        int status;
        const char* err;  // the start of standard error
        const char* loss;
    } cases[] = {
        {"0 1 1 4 1000\n", 0, "!!! table recalibrated: ", "loss=0."},
        {"0.099186 0.117273 2 60 1\n", 0, "", "loss=841.569086%"},
        {"0.5 0.5000000000000001 2 4 1000\n", 1, "!!! no sound table can be made", nullptr},
        {"-1 1 1e13 2 100\n", 1, "no sound table: H=1e+13 is too large", nullptr},
        // A peak far narrower than a bin: calibrated and recalibrated, too slow to draw from.
        {"0 1 1e12 2 1000\n", 1,
         "!!! no sound table can be made: n=1000 gives an acceptance rate of 1.7e-09, below 1e-07 (a draw would "
         "take about 5.9e+08 proposals): with --tight, n=1 or more bins clear it\n",
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        e2e::Sandbox box;
        const e2e::Result r = box.run(c.input);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
        if (c.status == 0) {
            EXPECT_EQ(lines(r.err).size(), c.err[0] != '\0' ? 1u : 0u) << r.err;
            EXPECT_TRUE(well_formed(r));
            EXPECT_NE(r.out.find(c.loss), std::string::npos) << r.out;
        } else {
            ASSERT_TRUE(r.table);
            EXPECT_EQ(lines(*r.table).size(), 3u);
            EXPECT_FALSE(r.plot);
        }
    }
}

}  // namespace

namespace {

// --tight gives a table where the classic calibration stops (n = 1, a root
// left unbracketed, residuals too small to square, bins narrower than its
// tolerance), and refuses only what no table can be made of.
TEST(Tight, EveryInputWithATableGetsOne)
{
    const struct {
        const char* input;
        int status;
        const char* said;  // on standard error
    } cases[] = {
        {"0.765227 0.8 2 2 1\n", 0, ""},
        {"-0.5 0.8 2 4 1\n", 0, ""},
        {"0.75 0.8 1000 0 1000\n", 0, ""},
        {"-1 -0.99999999 2 4 1000\n", 0, ""},
        {"-1 1 1.0001 100000 2000\n", 0, ""},
        {"0.5 0.9 1e300 0 10\n", 1, "H=1e+300 is too large"},
        {"0.5 0.5000000000000001 2 4 1000\n", 1, "fewer than n + 1 = 1001 doubles"},
        // Below the floor on the acceptance rate, with the bins that clear it.
        {"0 1 1 2147483646 1\n", 1, "n=1 gives an acceptance rate of 4.7e-10, below 1e-07 (a draw would take about "
                                     "2.1e+09 proposals): use at least 2 bins\n"},
        {"0 1 1 2147483646 2\n", 0, ""},
        {"-1 1 1 2147483646 2\n", 1, "n=2 gives an acceptance rate of 4.7e-10, below 1e-07 (a draw would take about "
                                      "2.1e+09 proposals): use at least 3 bins\n"},
        {"0.99 1 1 1000000000 1\n", 1, "n=1 gives an acceptance rate of 9.990004891834143e-08, below 1e-07"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        e2e::Sandbox box;
        const e2e::Result r = box.run(c.input, {}, 60, {"--tight"});
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        if (c.status == 0) EXPECT_TRUE(well_formed(r));
        else EXPECT_EQ(lines(r.table.value_or("")).size(), 3u);
    }
}

}  // namespace
