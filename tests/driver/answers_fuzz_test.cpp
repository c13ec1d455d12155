// Random answer texts through the tool's own run in process: the dialogue,
// the check of the answers and the build, as main runs them. Every text ends
// with a table fit to be written or a failure the tool tells with its status;
// none crashes or hangs. In process, so that its thousands of cases cost their
// builds and not a process each (the end-to-end tests run the tool itself).

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "driver/dialogue.hpp"
#include "driver/scanf_reader.hpp"
#include "envelope/build.hpp"
#include "envelope/parameters.hpp"
#include "numeric/error.hpp"
#include "sin_cos/error.hpp"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int default_runs = 300;
#else
constexpr int default_runs = 2000;
#endif

const std::vector<std::string> numbers = {
    "-1", "1", "0", "0.2", "-0.5", "0.8", "+0.9", "-0.3", ".5", "-.25", "1.0", "-1.000", "2", "2.11", "1", "30",
    "1e300", "1e308", "1e400", "-1e400", "4.9e-324", "1e-320", "0x1p-3", "-0X.8P1", "99999999999999999999",
    "2147483647", "2147483648", "-2147483648", "4294967300", "nan", "NaN", "-nan", "nan(123)", "inf", "-Infinity",
    "INF", "+", "-", "+-1", "1e", "1e+", "2E-3", "0.5.5", "1,5", "", "abc", "\t7", "4\r", "\v2", "1000", "7"};

std::string junk(std::mt19937_64& rng)
{
    std::string s(rng() % 12, '\0');
    for (auto& c : s) c = static_cast<char>(rng() % 256);
    return s;
}

// Five answers drawn from valid values, edge spellings and junk, then mutated
// byte by byte now and then.
std::string answer_text(std::mt19937_64& rng)
{
    std::string text;
    for (int i = 0; i < 5; ++i) {
        const auto pick = rng() % 10;
        if (pick < 7) {
            text += numbers[rng() % numbers.size()];
        } else if (pick < 8) {
            text += junk(rng);
        } else {
            text += std::to_string(static_cast<int>(rng() % 60) - 5);  // mostly small bin counts and exponents
        }
        text += (rng() % 3 == 0) ? "\n" : " ";
    }
    if (rng() % 4 == 0 && !text.empty()) {
        for (int k = static_cast<int>(rng() % 4); k >= 0; --k) {
            const auto at = rng() % text.size();
            if (rng() % 2) text[at] = static_cast<char>(rng() % 256);
            else text.insert(at, 1, "+-.e0123456789 \n"[rng() % 16]);
        }
    }
    return text;
}

// What the run ends with: the exit status the tool gives it, its message, and
// the table when one is built.
struct ending {
    int status = 0;
    std::string message;
    envelope::built table;
};

ending run(const std::string& text, std::FILE* sink)
{
    // fmemopen of zero bytes fails: an empty input is an empty file.
    std::FILE* in = text.empty() ? std::tmpfile() : fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    int n = 5000;
    double xini = -1, xfin = 1, H = 2;
    int M = 4;
    ending e;
    try {
        driver::scanf_reader answers(in);
        driver::in_out(answers, sink, sink, &n, &xini, &xfin, &H, &M);
        e.table = envelope::build(envelope::check_answers(H, M, xini, xfin, n), envelope::mode::classic);
    } catch (const numeric::failure& f) {
        e.status = f.kind() == numeric::failure_kind::refused ? 255 : 1;
        e.message = f.what();
    } catch (const sin_cos::error& f) {  // the dialogue's own refusals
        e.status = f.kind() == sin_cos::errc::refused ? 255 : 1;
        e.message = f.what();
    }
    std::fclose(in);
    return e;
}

// The table as its two files would hold it: n edges increasing from xini
// inside the interval, a positive area, a finite loss and n heights.
testing::AssertionResult well_formed(const envelope::built& b)
{
    const sin_cos::table& t = b.table;
    const std::size_t n = t.bins();
    if (n < 1 || t.edges.size() != n + 1) return testing::AssertionFailure() << "edges for n=" << n;
    if (b.f1.size() != n) return testing::AssertionFailure() << b.f1.size() << " heights for n=" << n;
    if (!(t.a > 0) || !std::isfinite(t.a) || !std::isfinite(t.loss)) return testing::AssertionFailure() << "area " << t.a;
    if (t.edges[0] != t.xini || t.edges[n] != t.xfin) return testing::AssertionFailure() << "ends";
    for (std::size_t i = 0; i < n; ++i) {
        if (!(t.edges[i + 1] > t.edges[i])) return testing::AssertionFailure() << "edge " << i + 1 << " = " << t.edges[i + 1];
    }
    return testing::AssertionSuccess();
}

TEST(Fuzz, EveryAnswerTextEndsCleanlyWithASoundTableOrAMessage)
{
    const char* env = std::getenv("SIN_COS_FUZZ_RUNS");
    const int runs = env ? std::atoi(env) : default_runs;
    std::FILE* sink = std::fopen("/dev/null", "w");
    ASSERT_NE(sink, nullptr);
    std::mt19937_64 rng(20261208);
    int written = 0;
    for (int i = 0; i < runs; ++i) {
        const std::string input = answer_text(rng);
        SCOPED_TRACE(testing::Message() << "run " << i << ", input: \"" << input << "\"");
        const auto start = std::chrono::steady_clock::now();
        const ending r = run(input, sink);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 20.0);
        if (r.status == 0) {
            ++written;
            EXPECT_TRUE(well_formed(r.table));
        } else {
            EXPECT_FALSE(r.message.empty());
        }
        if (HasFailure()) break;
    }
    std::fclose(sink);
    // The generator must reach the build, not only the refusals.
    EXPECT_GT(written, runs / 20);
}

}  // namespace
