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
#include <string>
#include <tuple>
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

// Lets the process grow by 1 GiB at most: a big allocation is refused whatever the machine would lend.
void cap_memory()
{
    unsigned long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t cap = pages * sysconf(_SC_PAGESIZE) + (1ul << 30);
    const rlimit limit{cap, cap};
    setrlimit(RLIMIT_AS, &limit);
}

// The child's standard output goes to a file, so that the parent sees that a
// fatal exit writes nothing there; alarm() turns a hang into a failure.
void expect_fatal(const std::function<void()>& body, const std::string& message, const std::string& after = "")
{
    const std::string out = testing::TempDir() + "toolkit_child_stdout";
    std::remove(out.c_str());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EXIT((alarm(20), std::freopen(out.c_str(), "w", stdout), body()), testing::ExitedWithCode(1),
                testing::Matcher<const std::string&>(message + "\n...now exiting to system...\n" + after));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << message;
    std::ifstream written(out);
    EXPECT_TRUE(written.is_open()) << message;
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "") << message;
}

// Root functions record every evaluation, carried values included.
struct Call {
    double c1, x, c2;
};
std::vector<Call> calls;
double (*shape)(double) = nullptr;
double recorded(double c1, double x, double c2) { return calls.push_back({c1, x, c2}), shape(x); }
double minus_quarter(double x) { return x - 0.25; }
double cube_minus_fifth(double x) { return x * x * x - 0.2; }
double two_zeros(double x) { return (x - 0.25) * (x - 0.75); }
double tiny_line(double x) { return (x - 0.5) * 1e-200; }  // squares underflow to zero
double jump(double x) { return x < 0.3 ? -1.0 : 1.0; }

int evaluations = 0;
double zero(double) { return ++evaluations, 0.0; }
double not_a_number(double) { return ++evaluations, std::nan(""); }
double square(double x) { return ++evaluations, x * x; }
double root(double x) { return ++evaluations, std::sqrt(x); }

TEST(Fatal, TwoLinesOnStderrNothingOnStdoutStatusOne)
{
    const double same[] = {0, 1.0, 1.0}, ya[] = {0, 2.0, 3.0};
    double y = 0, dy = 0;
    const auto count_at_exit = [] { std::fprintf(stderr, "%zu evaluations\n", calls.size()); };
    const std::vector<std::tuple<std::function<void()>, std::string, std::string>> cases = {
        {[] { nrerror("Error in routine polint"); }, "Error in routine polint", ""},
        {[] { nrerror(""); }, "", ""},
        {[] { cap_memory(), numeric::vector(INT_MIN + 2, INT_MAX); }, "allocation failure in vector()", ""},
        {[] { shape = minus_quarter, numeric::zriddr(recorded, 0, 0.5, 1, 1e-8, 0); }, "root must be bracketed in zriddr.", ""},
        {[] { shape = minus_quarter, numeric::zriddr(recorded, 0, 0, 0.1, 1e-8, 0); }, "root must be bracketed in zriddr.", ""},
        // A negative tolerance is never met: 600 iterations of two evaluations after the ends.
        {[&] { std::atexit(count_at_exit), shape = jump, numeric::zriddr(recorded, 0, 0, 1, -1, 0); },
         "zriddr exceed maximum iterations", "1202 evaluations\n"},
        {[] { numeric::qromb(zero, 0, 1); }, "Too many steps in routine qromb", ""},
        {[] { numeric::qromb(square, 0.5, 0.5); }, "Too many steps in routine qromb", ""},
        {[] { numeric::qromb(not_a_number, 0, 1); }, "Too many steps in routine qromb", ""},
        {[] { numeric::qsimp(zero, 0, 1); }, "Too many steps in routine qsimp", ""},
        {[&] { numeric::polint(same, ya, 2, 0.0, &y, &dy); }, "Error in routine polint", ""},
    };
    for (const auto& [body, message, after] : cases) expect_fatal(body, message, after);
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
    EXPECT_NEAR(t, 0.59214, 1e-5);
    const std::vector<std::tuple<double (*)(double), double, double, double, std::vector<double>, double>> cases = {
        // function, ends, tolerance, evaluations (empty: not checked), result
        {minus_quarter, 0, 1, 1e-8, {0, 1, 0.5, 0.25}, 0.25},
        {minus_quarter, 1, 0, 1e-8, {1, 0, 0.5, 0.25}, 0.25},
        {minus_quarter, 0.25, 1, 1e-8, {0.25, 1}, 0.25},    // first end zero, second positive
        {minus_quarter, 0.25, 0, 1e-8, {0.25, 0}, 0.25},    // first end zero, second negative
        {two_zeros, 0.75, 0.25, 1e-8, {0.75, 0.25}, 0.75},  // both zero: the first end
        {minus_quarter, 1, 0.25, 1e-8, {1, 0.25}, 0.25},    // second end zero
        {cube_minus_fifth, 0, 1, 5, {0, 1, 0.5, t}, t},     // tolerance wider than the bracket
        {cube_minus_fifth, 1, 0, 1e-12, {}, std::cbrt(0.2)},
        {tiny_line, 0, 1, 1e-8, {0, 1, 0.5}, -1.11e30},  // the unset estimate
    };
    for (const auto& [f, x1, x2, tol, xs, result] : cases) {
        SCOPED_TRACE(testing::Message() << x1 << ".." << x2 << " tol " << tol);
        calls.clear();
        shape = f;
        const double r = numeric::zriddr(recorded, 7.5, x1, x2, tol, -3.25);
        EXPECT_NEAR(r, result, 1e-12);
        if (!xs.empty()) {
            ASSERT_EQ(calls.size(), xs.size());
            for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_NEAR(calls[i].x, xs[i], 1e-15) << i;
        }
        if (result != -1.11e30) {  // only points it has evaluated are answers
            EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [r](const Call& call) { return call.x == r; }));
        }
        for (const Call& call : calls) EXPECT_TRUE(call.c1 == 7.5 && call.c2 == -3.25);
    }
}

TEST(Integration, ResultsAndEvaluationCounts)
{
    const double stages[] = {0.5, 0.375, 0.34375, 0.3359375, 0.333984375};
    for (int j = 1; j <= 5; ++j) EXPECT_EQ(numeric::trapzd(square, 0, 1, j), stages[j - 1]) << j;
    const std::tuple<double (*)(numeric::integrand, double, double), numeric::integrand, double, double, double, int> cases[] = {
        // integration, integrand, a, b, result, evaluations
        {numeric::qromb, square, 0, 1, 1.0 / 3, 17},
        {numeric::qromb, square, 1, 0, -1.0 / 3, 17},
        {numeric::qromb, root, 0, 1, 0.666619, 129},
        {numeric::qsimp, square, 0, 1, 1.0 / 3, 5},
    };
    for (const auto& [integrate, f, a, b, result, count] : cases) {
        numeric::trapzd(square, 0, 7, 1);  // a stale estimate: every integration starts over at stage 1
        evaluations = 0;
        EXPECT_NEAR(integrate(f, a, b), result, f == root ? 1e-6 : 1e-16) << a << ".." << b;
        EXPECT_EQ(evaluations, count) << a << ".." << b;
    }
}

TEST(Polint, NevilleExtrapolation)
{
    const std::vector<std::tuple<std::vector<double>, std::vector<double>, double, double, double>> cases = {
        // abscissae, values (element 0 unused), x, y, dy
        {{0, 0, 2}, {0, 1, 3}, 1, 2, 1},                // tie on distance: the first point starts the path
        {{0, 4}, {0, 7}, 1, 7, 42},                     // single point: dy untouched
        {{0, 1, 2, 3}, {0, 1, 4, 9}, 0, 0, 2},          // first point nearest: c corrections only
        {{0, 1, 2, 3}, {0, 1, 4, 9}, 2.2, 4.84, 0.24},  // middle point nearest: a d, then a c correction
    };
    for (const auto& [xa, ya, x, expected_y, expected_dy] : cases) {
        double y = 0, dy = 42;
        numeric::polint(xa.data(), ya.data(), static_cast<int>(xa.size()) - 1, x, &y, &dy);
        EXPECT_NEAR(y, expected_y, 1e-12) << x;
        EXPECT_NEAR(dy, expected_dy, 1e-12) << x;
    }
}

}  // namespace
