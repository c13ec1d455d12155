// The law's integral kept per thread: whatever was asked before, on whatever
// thread, each figure is the one a fresh integration to its accuracy gives.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

#include "envelope/law/shape.hpp"

namespace {

using sin_cos::detail::shape;

struct law {
    shape s;
    double xini, xfin;
};

constexpr double accuracies[] = {shape::construction_accuracy, shape::soundness_accuracy, shape::precheck_accuracy};

std::vector<law> laws()
{
    // Flat, a cusp at the ends, peaked, many zeros at 0, both signs of zero
    // at an end (the same law to the eye), then random ones.
    std::vector<law> all = {{{1, 0}, -1, 1},       {{1.2, 0}, 0, 1},   {{1000, 0}, -0.3, 0.9}, {{30, 60}, -1, 1},
                            {{2, 4}, -0.0, 0.5},   {{2, 4}, 0.0, 0.5}, {{2, 4}, -0.5, -0.0},   {{2, 4}, -0.5, 0.0}};
    std::mt19937_64 g(35);
    std::uniform_real_distribution<double> u(-1, 1);
    std::uniform_real_distribution<double> log_h(0, 7);
    for (int i = 0; i < 150; ++i) {
        double a = u(g), b = u(g);
        if (a > b) std::swap(a, b);
        all.push_back({{std::exp(log_h(g)), 2 * static_cast<int>(g() % 31)}, a, b});
    }
    return all;
}

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// The figure to accuracy k with nothing of this law kept: another law asked
// for just before, to the same accuracy.
double fresh(const law& l, int k)
{
    const law other{{3, 2}, -0.25, 0.75};
    other.s.integral(other.xini, other.xfin, accuracies[k]);
    return l.s.integral(l.xini, l.xfin, accuracies[k]);
}

TEST(LawIntegral, KeptFiguresAreThoseOfAFreshIntegration)
{
    const std::vector<law> all = laws();
    std::vector<double> alone[3];
    for (int k = 0; k < 3; ++k) {
        for (const law& l : all) alone[k].push_back(fresh(l, k));
    }
    // Finest first (every coarser one then kept), coarsest first, and one
    // accuracy asked twice, on two threads side by side.
    const std::vector<int> orders[] = {{0, 1, 2}, {2, 1, 0, 1}, {1, 0, 0, 2}};
    for (const std::vector<int>& order : orders) {
        std::vector<double> got[2][3];
        auto ask = [&](int t) {
            for (const law& l : all) {
                for (const int k : order) got[t][k].push_back(l.s.integral(l.xini, l.xfin, accuracies[k]));
            }
        };
        std::thread other(ask, 1);
        ask(0);
        other.join();
        for (int t = 0; t < 2; ++t) {
            for (const int k : order) {
                std::size_t at = 0;  // the i-th law's figures come in the order's count of asks
                const std::size_t asks = static_cast<std::size_t>(std::count(order.begin(), order.end(), k));
                for (std::size_t i = 0; i < all.size(); ++i) {
                    for (std::size_t r = 0; r < asks; ++r, ++at) {
                        ASSERT_EQ(bits(got[t][k][at]), bits(alone[k][i]))
                            << "law " << i << " accuracy " << accuracies[k] << ": " << got[t][k][at] << " "
                            << alone[k][i];
                    }
                }
            }
        }
    }
}

}  // namespace
