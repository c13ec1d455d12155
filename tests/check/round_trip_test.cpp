#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "../sampler/tool_tables.hpp"
#include "sin_cos/sampler.hpp"

using namespace tool_tables;

namespace {

// A default build of 100000 bins takes ten seconds under AddressSanitizer: a
// tenth of it there still reads back a table of many lines.
#if defined(__SANITIZE_ADDRESS__)
constexpr int many_bins = 10000;
#else
constexpr int many_bins = 100000;
#endif

int run(const std::string& cmd)
{
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::string digits(double v, int significant)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.*g", significant, v);
    return text;
}

struct answers {
    std::string xini, xfin, H;
    int M, n;
};

// Answers as people type them, with 1 to 17 significant digits: the file must
// read back as the table built in process from the same answers, and pass the
// checker's dense probing, acceptance, loss and Kolmogorov-Smirnov tests.
std::vector<answers> cases()
{
    std::vector<answers> all = {{"0.1234567", "0.8765438", "2", 4, many_bins},
                                {"-1", "0.8660254037844386", "2.1234567", 4, 5000},
                                {"0.3000000001", "0.3000000101", "2", 4, 10000}};
    std::mt19937_64 g(2026);
    std::uniform_real_distribution<double> u(0, 1);
    while (all.size() < 20) {
        const int d = 1 + static_cast<int>(g() % 17);
        const std::string xini = digits(-1 + 1.9 * u(g), d);
        const double lo = std::strtod(xini.c_str(), nullptr);
        const std::string xfin = digits(lo + (1 - lo) * (0.05 + 0.95 * u(g)), d);
        const std::string H = digits(1 + std::pow(10.0, -4 + 7 * u(g)), d);
        if (!(std::strtod(xfin.c_str(), nullptr) > lo && std::strtod(xfin.c_str(), nullptr) <= 1)) continue;
        all.push_back({xini, xfin, H, static_cast<int>(2 * (g() % 6)), 1 + static_cast<int>(g() % 3000)});
    }
    return all;
}

TEST(RoundTrip, TheFileReadsBackAsTheTableBuilt)
{
    int written = 0;
    for (const answers& c : cases()) {
        for (const bool tight : {false, true}) {
            const std::string text = c.xini + " " + c.xfin + " " + c.H + " " + std::to_string(c.M) + " " +
                                     std::to_string(c.n);
            SCOPED_TRACE(text + (tight ? " --tight" : ""));
            const fs::path dir = fresh_dir();
            const int status = run("cd '" + dir.string() + "' && echo '" + text + "' | '" SIN_COS_BIN "' " +
                                   (tight ? "--tight" : "") + " > /dev/null 2>&1");
            const double H = std::strtod(c.H.c_str(), nullptr);
            const double xini = std::strtod(c.xini.c_str(), nullptr);
            const double xfin = std::strtod(c.xfin.c_str(), nullptr);
            const auto mode = tight ? sin_cos::mode::tight : sin_cos::mode::classic;
            if (status != 0) {
                // Where the tool stops, the library says why with the same status.
                try {
                    sin_cos::build_table(sin_cos::law{xini, xfin, H, c.M}, c.n, mode);
                    ADD_FAILURE() << "the tool ended with " << status << " but the build went through";
                } catch (const sin_cos::build_error& e) {
                    EXPECT_EQ(e.kind(), status == 255 ? sin_cos::errc::refused : sin_cos::errc::numerical) << e.what();
                }
                continue;
            }
            ++written;
            const sin_cos::table built = sin_cos::build_table(sin_cos::law{xini, xfin, H, c.M}, c.n, mode);
            const sin_cos::table read = sin_cos::load_table((dir / "Sin_Cos.res").string());
            EXPECT_EQ(read.H, built.H);
            EXPECT_EQ(read.M, built.M);
            EXPECT_EQ(read.xini, built.xini);
            EXPECT_EQ(read.xfin, built.xfin);
            EXPECT_EQ(read.a, built.a);
            EXPECT_TRUE(read.edges == built.edges);
            EXPECT_EQ(run("cd '" + dir.string() + "' && '" SIN_COS_CHECK_BIN "' --samples 20000 > check.log 2>&1"), 0)
                << slurp(dir / "check.log");
        }
    }
    EXPECT_GT(written, 30);
}

}  // namespace
