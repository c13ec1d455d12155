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
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "numeric/error.hpp"
#include "numeric/gauss_legendre.hpp"
#include "numeric/ridders.hpp"
#include "numeric/romberg.hpp"
#include "numeric/vector.hpp"

// A refused allocation must reach vector()'s own check under the sanitizer too.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

// Lets the process grow by 1 GiB at most: a big allocation is refused whatever the machine would lend.
void cap_memory()
{
    unsigned long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t cap = pages * sysconf(_SC_PAGESIZE) + (1ul << 30);
    const rlimit limit{cap, cap};
    setrlimit(RLIMIT_AS, &limit);
}

// body must throw a numerical failure with this message, and soon.
void expect_failure(const std::function<void()>& body, const std::string& message)
{
    const auto start = std::chrono::steady_clock::now();
    try {
        body();
        ADD_FAILURE() << "no failure: " << message;
    } catch (const numeric::failure& f) {
        EXPECT_EQ(f.kind(), numeric::failure_kind::numerical) << message;
        EXPECT_EQ(std::string(f.what()), message);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << message;
}

double minus_quarter(double x) { return x - 0.25; }
double cube_minus_fifth(double x) { return x * x * x - 0.2; }
double two_zeros(double x) { return (x - 0.25) * (x - 0.75); }
double tiny_line(double x) { return (x - 0.5) * 1e-200; }  // squares underflow to zero
double jump(double x) { return x < 0.3 ? -1.0 : 1.0; }

TEST(Failure, TheToolkitsFailuresAreNumericalWithTheToolsMessages)
{
    const double same[] = {0, 1.0, 1.0}, ya[] = {0, 2.0, 3.0};
    double y = 0, dy = 0;
    int evaluations = 0;
    const auto zero = [&](double) { return ++evaluations, 0.0; };
    const auto square = [](double x) { return x * x; };
    const std::vector<std::tuple<std::function<void()>, std::string>> cases = {
        {[] { numeric::zriddr(minus_quarter, 0.5, 1, 1e-8); }, "root must be bracketed in zriddr."},
        {[] { numeric::zriddr(minus_quarter, 0, 0.1, 1e-8); }, "root must be bracketed in zriddr."},
        // A negative tolerance is never met: 600 iterations of two evaluations after the ends.
        {[&] { numeric::zriddr([&](double x) { return ++evaluations, jump(x); }, 0, 1, -1); },
         "zriddr exceed maximum iterations"},
        {[&] { numeric::qromb(zero, 0, 1); }, "Too many steps in routine qromb"},
        {[&] { numeric::qromb(square, 0.5, 0.5); }, "Too many steps in routine qromb"},
        {[] { numeric::qromb([](double) { return std::nan(""); }, 0, 1); }, "Too many steps in routine qromb"},
        {[&] { numeric::qsimp(zero, 0, 1); }, "Too many steps in routine qsimp"},
        {[&] { numeric::polint(same, ya, 2, 0.0, &y, &dy); }, "Error in routine polint"},
    };
    for (const auto& [body, message] : cases) {
        evaluations = 0;
        expect_failure(body, message);
        if (message == "zriddr exceed maximum iterations") {
            EXPECT_EQ(evaluations, 1202);
        }
    }
    EXPECT_EXIT((alarm(20), cap_memory(), [] {
                    try {
                        numeric::vector(INT_MIN + 2, INT_MAX);
                    } catch (const numeric::failure& f) {
                        std::fputs(f.what(), stderr);
                        std::exit(f.kind() == numeric::failure_kind::numerical ? 1 : 2);
                    }
                }()),
                testing::ExitedWithCode(1), "^allocation failure in vector\\(\\)$");
}

TEST(Vector, EveryIndexBetweenTheBoundsIsItsOwnSlotOfTheBlock)
{
    for (const auto& [nl, nh] : std::vector<std::pair<int, int>>{{1, 5}, {-3, 2}, {0, 0}, {INT_MAX - 2, INT_MAX}, {INT_MIN, INT_MIN + 2}}) {
        numeric::Vector v = numeric::vector(nl, nh);
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
        {tiny_line, 0, 1, 1e-8, {0, 1, 0.5}, numeric::zriddr_no_estimate},
    };
    for (const auto& [f, x1, x2, tol, xs, result] : cases) {
        SCOPED_TRACE(testing::Message() << x1 << ".." << x2 << " tol " << tol);
        std::vector<double> calls;
        const double r = numeric::zriddr([&, f = f](double x) { return calls.push_back(x), f(x); }, x1, x2, tol);
        EXPECT_NEAR(r, result, 1e-12);
        if (!xs.empty()) {
            ASSERT_EQ(calls.size(), xs.size());
            for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_NEAR(calls[i], xs[i], 1e-15) << i;
        }
        if (r != numeric::zriddr_no_estimate) {  // only points it has evaluated are answers
            EXPECT_NE(std::find(calls.begin(), calls.end(), r), calls.end());
        }
    }
}

TEST(Integration, ResultsAndEvaluationCounts)
{
    int evaluations = 0;
    const auto square = [&](double x) { return ++evaluations, x * x; };
    const auto root = [&](double x) { return ++evaluations, std::sqrt(x); };
    const double stages[] = {0.5, 0.375, 0.34375, 0.3359375, 0.333984375};
    double s = 0;
    for (int j = 1; j <= 5; ++j) EXPECT_EQ(numeric::trapzd(square, 0, 1, j, &s), stages[j - 1]) << j;
    const std::tuple<std::function<double(double, double)>, double, double, double, int> cases[] = {
        // integration, a, b, result, evaluations
        {[&](double a, double b) { return numeric::qromb(square, a, b); }, 0, 1, 1.0 / 3, 17},
        {[&](double a, double b) { return numeric::qromb(square, a, b); }, 1, 0, -1.0 / 3, 17},
        {[&](double a, double b) { return numeric::qromb(root, a, b); }, 0, 1, 0.666619, 129},
        {[&](double a, double b) { return numeric::qsimp(square, a, b); }, 0, 1, 1.0 / 3, 5},
    };
    for (const auto& [integrate, a, b, result, count] : cases) {
        evaluations = 0;
        EXPECT_NEAR(integrate(a, b), result, count == 129 ? 1e-6 : 1e-16) << a << ".." << b;
        EXPECT_EQ(evaluations, count) << a << ".." << b;
    }
}

// The adaptive rule on monotone pieces: polynomials up to degree 9 exactly on
// one panel, square-root ends and a narrow peak at a piece's end to 1e-13.
TEST(Integration, AdaptiveGaussLegendre)
{
    using piece = numeric::gauss_piece<std::function<double(double)>>;
    EXPECT_EQ(numeric::gauss_legendre5([](double x) { return std::pow(x, 9.0) + 1; }, -1, 1), 2.0);
    EXPECT_DOUBLE_EQ(numeric::gauss_legendre5([](double x) { return std::pow(x, 8.0); }, 0, 1), 1.0 / 9);
    const std::tuple<std::vector<piece>, double> cases[] = {
        {{{[](double x) { return std::sqrt(x); }, 0, 1}}, 2.0 / 3},
        {{{[](double x) { return std::sqrt(1 - x * x); }, 0, 1}, {[](double x) { return std::sqrt(1 - x * x); }, -1, 0}},
         std::acos(-1.0) / 2},
        {{{[](double x) { return std::exp(-1e6 * x); }, 0, 1}}, 1e-6},
    };
    for (const auto& [pieces, exact] : cases) {
        EXPECT_NEAR(numeric::adaptive_gauss_legendre(pieces, 1e-13, 4000) / exact, 1, 1e-12) << exact;
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
