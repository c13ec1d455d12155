#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "sin_cos/sampler.hpp"
#include "sin_cos/table.hpp"
#include "tool_tables.hpp"

using namespace tool_tables;

namespace {

int count_from_env(const char* name, int fallback)
{
    const char* v = std::getenv(name);
    return v != nullptr ? std::atoi(v) : fallback;
}

// The first bin whose height is below the density at one of the doubles it
// holds, probing every one of them; -1 when none.
long uncovered_bin(const sin_cos::table& t)
{
    for (std::size_t i = 0; i < t.bins(); ++i) {
        const double h = t.height(i);
        for (double x = t.edges[i]; x <= t.edges[i + 1]; x = std::nextafter(x, 2.0)) {
            if (!(h >= sin_cos::density(x, t.H, t.M))) return static_cast<long>(i);
        }
    }
    return -1;
}

// Intervals 1 to 12 doubles wide at random places, n from 1 to 14, both modes,
// in process and through the tool: a table is written only when the loader
// takes it and its bins cover the density at every double; otherwise the
// build stops with status 1 (a numerical failure, or no sound table).
TEST(MicroIntervals, EveryTableMadeLoadsAndCoversItsDensity)
{
    const int builds = count_from_env("SIN_COS_MICRO_BUILDS", 300);
    const int tool_every = count_from_env("SIN_COS_MICRO_TOOL_EVERY", 10);
    const double hs[] = {1, 1.5, 2, 2.11, 5, 30, 1000};
    const int ms[] = {0, 2, 4, 10};
    std::mt19937_64 random(22);
    int made = 0, refused = 0, tool_runs = 0, tool_made = 0;
    const std::filesystem::path dir = fresh_dir();
    for (int k = 0; k < builds; ++k) {
        const double H = hs[random() % 7];
        const int M = ms[random() % 4];
        const int n = 1 + static_cast<int>(random() % 14);
        const int width = 1 + static_cast<int>(random() % 12);
        const bool tight = k % 2 == 1;
        const double xini = std::uniform_real_distribution<double>(-1, 1)(random);
        double xfin = xini;
        for (int w = 0; w < width; ++w) xfin = std::nextafter(xfin, 2.0);
        if (xfin > 1) continue;
        char answers[200];
        std::snprintf(answers, sizeof answers, "%.17g %.17g %.17g %d %d", xini, xfin, H, M, n);
        SCOPED_TRACE(std::string(answers) + (tight ? " --tight" : ""));
        try {
            const sin_cos::table t = sin_cos::build_table(sin_cos::law{xini, xfin, H, M}, n, tight ? sin_cos::mode::tight
                                                                                      : sin_cos::mode::classic);
            ++made;
            EXPECT_NO_THROW(sin_cos::validate(t, "built"));
            EXPECT_EQ(uncovered_bin(t), -1);
        } catch (const sin_cos::build_error& e) {
            ++refused;
            EXPECT_EQ(e.kind(), sin_cos::errc::numerical) << e.what();
        }
        if (tool_every > 0 && k % tool_every == 0) {
            ++tool_runs;
            std::filesystem::remove(dir / "Sin_Cos.res");
            const std::string cmd = "cd '" + dir.string() + "' && echo '" + answers + "' | '" SIN_COS_BIN "'" +
                                    (tight ? " --tight" : "") + " > /dev/null 2>&1";
            const int status = std::system(cmd.c_str());
            if (status == 0) {
                ++tool_made;
                try {
                    EXPECT_EQ(uncovered_bin(sin_cos::load_table((dir / "Sin_Cos.res").string())), -1);
                } catch (const sin_cos::table_error& e) {
                    ADD_FAILURE() << "the tool wrote a table its loader refuses: " << e.what();
                }
            } else {
                EXPECT_EQ(WEXITSTATUS(status), 1);
            }
        }
    }
    std::printf("%d builds: %d tables, %d refused; %d tool runs: %d tables\n", made + refused, made, refused,
                tool_runs, tool_made);
}

}  // namespace
