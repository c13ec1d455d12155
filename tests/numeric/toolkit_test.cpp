#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "numeric/error.hpp"
#include "numeric/ridders.hpp"
#include "numeric/romberg.hpp"
#include "numeric/vector.hpp"

// A refused allocation must reach vector()'s own check under the sanitizer too.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

using numeric::nrerror;

// Lets the process grow by 1 GiB at most, so that a big allocation is refused
// whatever the machine would lend.
void cap_memory()
{
    unsigned long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t cap = pages * sysconf(_SC_PAGESIZE) + (1ul << 30);
    const rlimit limit{cap, cap};
    setrlimit(RLIMIT_AS, &limit);
}

// The child runs with standard output sent to a file, so that the parent can
// see that a fatal exit writes nothing there; alarm() turns a hang into a failure.
void expect_fatal(const std::function<void()>& body, const std::string& message)
{
    const std::string out = testing::TempDir() + "toolkit_child_stdout";
    std::remove(out.c_str());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EXIT((alarm(20), std::freopen(out.c_str(), "w", stdout), body()), testing::ExitedWithCode(1),
                testing::Matcher<const std::string&>(message + "\n...now exiting to system...\n"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << message;
    std::ifstream written(out);
    EXPECT_TRUE(written.is_open()) << message;
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "") << message;
}

struct Call {
    double c1, x, c2;
};
std::vector<Call> calls;

double logged(double c1, double x, double c2, double (*f)(double))
{
    calls.push_back({c1, x, c2});
    return f(x);
}
double minus_quarter(double c1, double x, double c2) { return logged(c1, x, c2, [](double v) { return v - 0.25; }); }
double cube_minus_fifth(double c1, double x, double c2) { return logged(c1, x, c2, [](double v) { return v * v * v - 0.2; }); }
double two_zeros(double c1, double x, double c2) { return logged(c1, x, c2, [](double v) { return (v - 0.25) * (v - 0.75); }); }
double tiny_line(double c1, double x, double c2) { return logged(c1, x, c2, [](double v) { return (v - 0.5) * 1e-200; }); }
int step_calls = 0;
double step(double, double x, double) { return ++step_calls, x < 0.3 ? -1.0 : 1.0; }

int evaluations = 0;
double zero(double) { return ++evaluations, 0.0; }
double not_a_number(double) { return ++evaluations, std::nan(""); }
double square(double x) { return ++evaluations, x * x; }
double root(double x) { return ++evaluations, std::sqrt(x); }
double thousand(double) { return ++evaluations, 1000.0; }

TEST(Fatal, TwoLinesOnStderrNothingOnStdoutStatusOne)
{
    const double same[] = {0, 1.0, 1.0};
    const double ya[] = {0, 2.0, 3.0};
    double y = 0, dy = 0;
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[] { nrerror("Error in routine polint"); }, "Error in routine polint"},
        {[] { nrerror(""); }, ""},
        {[] { cap_memory(), numeric::vector(INT_MIN + 2, INT_MAX); }, "allocation failure in vector()"},
        {[] { cap_memory(), numeric::vector(1, 1 << 28); }, "allocation failure in vector()"},
        {[] { numeric::zriddr(minus_quarter, 0, 0.5, 1, 1e-8, 0); }, "root must be bracketed in zriddr."},
        {[] { numeric::zriddr(minus_quarter, 0, 0, 0.1, 1e-8, 0); }, "root must be bracketed in zriddr."},
        {[] { numeric::qromb(zero, 0, 1); }, "Too many steps in routine qromb"},
        {[] { numeric::qromb(square, 0.5, 0.5); }, "Too many steps in routine qromb"},
        {[] { numeric::qromb(not_a_number, 0, 1); }, "Too many steps in routine qromb"},
        {[] { numeric::qsimp(zero, 0, 1); }, "Too many steps in routine qsimp"},
        {[&] { numeric::polint(same, ya, 2, 0.0, &y, &dy); }, "Error in routine polint"},
    };
    for (const auto& [body, message] : cases) expect_fatal(body, message);
}

TEST(Fatal, ZriddrGivesUpAfter600Iterations)
{
    // A jump is never hit exactly, and a negative tolerance is never met.
    EXPECT_EXIT((std::atexit([] { std::fprintf(stderr, "%d evaluations\n", step_calls); }),
                 numeric::zriddr(step, 0, 0, 1, -1, 0)),
                testing::ExitedWithCode(1),
                testing::Matcher<const std::string&>(
                    "zriddr exceed maximum iterations\n...now exiting to system...\n1202 evaluations\n"));
}

TEST(Vector, EveryIndexBetweenTheBoundsIsItsOwnSlotOfTheBlock)
{
    for (const auto& [nl, nh] : std::vector<std::pair<int, int>>{{1, 5}, {-3, 2}, {0, 0}, {INT_MAX - 2, INT_MAX}, {INT_MIN, INT_MIN + 2}}) {
        numeric::Vector v = numeric::vector(nl, nh);
        EXPECT_EQ(&v[nl], v.block() + 1) << nl;
        for (long long i = nl; i <= nh; ++i) v[int(i)] = double(i);
        for (long long i = nl; i < nh; ++i) EXPECT_EQ(&v[int(i) + 1], &v[int(i)] + 1);
        for (long long i = nl; i <= nh; ++i) EXPECT_EQ(v[int(i)], double(i));
        numeric::free_vector(v, nl, nh);  // the sanitizer build catches a second release by the destructor
        EXPECT_EQ(v.block(), nullptr);
    }
}

TEST(Zriddr, EvaluationSequencesAndResults)
{
    const double t = 0.5 + 0.5 * (0.075 / std::sqrt(0.075 * 0.075 + 0.2 * 0.8));
    struct Case {
        numeric::root_function f;
        double x1, x2, tol;
        std::vector<double> xs;  // empty: only the result is checked
        double result, within;
    };
    const std::vector<Case> cases = {
        {minus_quarter, 0, 1, 1e-8, {0, 1, 0.5, 0.25}, 0.25, 0},
        {minus_quarter, 1, 0, 1e-8, {1, 0, 0.5, 0.25}, 0.25, 0},
        {minus_quarter, 0.25, 1, 1e-8, {0.25, 1}, 0.25, 0},    // first end zero, second positive
        {minus_quarter, 0.25, 0, 1e-8, {0.25, 0}, 0.25, 0},    // first end zero, second negative
        {two_zeros, 0.25, 0.75, 1e-8, {0.25, 0.75}, 0.25, 0},  // both zero: the first end
        {two_zeros, 0.75, 0.25, 1e-8, {0.75, 0.25}, 0.75, 0},
        {minus_quarter, 1, 0.25, 1e-8, {1, 0.25}, 0.25, 0},  // second end zero
        {minus_quarter, 0, 0.25, 1e-8, {0, 0.25}, 0.25, 0},
        {cube_minus_fifth, 0, 1, 5, {0, 1, 0.5, t}, t, 1e-15},  // tolerance wider than the bracket
        {cube_minus_fifth, 0, 1, 1e-12, {}, std::cbrt(0.2), 1e-12},
        {cube_minus_fifth, 1, 0.3, 1e-12, {}, std::cbrt(0.2), 1e-12},
        {tiny_line, 0, 1, 1e-8, {0, 1, 0.5}, -1.11e30, 0},  // square-root term underflows to zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x1 << ".." << c.x2 << " tol " << c.tol);
        calls.clear();
        const double r = numeric::zriddr(c.f, 7.5, c.x1, c.x2, c.tol, -3.25);
        EXPECT_NEAR(r, c.result, c.within);
        if (!c.xs.empty()) {
            ASSERT_EQ(calls.size(), c.xs.size());
            for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_NEAR(calls[i].x, c.xs[i], c.within) << i;
        }
        if (c.result != -1.11e30) {  // only points it has evaluated are answers
            EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [r](const Call& call) { return call.x == r; }));
        }
        EXPECT_LE(calls.size(), 1202u);
        for (const Call& call : calls) EXPECT_TRUE(call.c1 == 7.5 && call.c2 == -3.25);
    }
    EXPECT_NEAR(t, 0.59214, 1e-5);
}

TEST(Trapzd, StagesRefineOneRunningEstimate)
{
    const double expected[] = {0.5, 0.375, 0.34375, 0.3359375, 0.333984375};
    evaluations = 0;
    for (int j = 1; j <= 5; ++j) EXPECT_EQ(numeric::trapzd(square, 0, 1, j), expected[j - 1]) << j;
    EXPECT_EQ(evaluations, 17);
}

TEST(Integration, ResultsAndEvaluationCounts)
{
    struct Case {
        double (*integrate)(numeric::integrand, double, double);
        numeric::integrand f;
        double a, b, result, within;
        int evaluations;
    };
    const Case cases[] = {
        {numeric::qromb, square, 0, 1, 1.0 / 3, 1e-16, 17},
        {numeric::qromb, square, 1, 0, -1.0 / 3, 1e-16, 17},
        {numeric::qromb, root, 0, 1, 0.666619, 1e-6, 129},
        {numeric::qsimp, square, 0, 1, 1.0 / 3, 1e-16, 5},
    };
    for (const Case& c : cases) {
        // Leave a stale running estimate behind: every integration must start over at stage 1.
        numeric::trapzd(thousand, 0, 1, 1);
        evaluations = 0;
        EXPECT_NEAR(c.integrate(c.f, c.a, c.b), c.result, c.within) << c.a << ".." << c.b;
        EXPECT_EQ(evaluations, c.evaluations) << c.a << ".." << c.b;
    }
}

TEST(Polint, NevilleExtrapolation)
{
    struct Case {
        std::vector<double> xa, ya;  // element 0 unused
        double x, y, dy;
    };
    const std::vector<Case> cases = {
        {{0, 0, 2}, {0, 1, 3}, 1, 2, 1},  // tie on distance: the first point starts the path
        {{0, 4}, {0, 7}, 1, 7, 42},       // single point: dy untouched
        {{0, 1, 2, 3}, {0, 1, 4, 9}, 0, 0, 2},  // first point nearest: c corrections only
        {{0, 1, 2, 3}, {0, 1, 4, 9}, 2.2, 4.84, 0.24},  // middle point nearest: a d, then a c correction
    };
    for (const Case& c : cases) {
        double y = 0, dy = 42;
        numeric::polint(c.xa.data(), c.ya.data(), static_cast<int>(c.xa.size()) - 1, c.x, &y, &dy);
        EXPECT_NEAR(y, c.y, 1e-12) << c.x;
        EXPECT_NEAR(dy, c.dy, 1e-12) << c.x;
    }
}

}  // namespace
