// The law's integral kept per thread: whatever was asked before, on whatever
// thread, each figure is the one a fresh integration to its accuracy gives.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "envelope/law/shape.hpp"

namespace {

using sin_cos::detail::shape;

TEST(LawIntegral, KeptFiguresAreThoseOfAFreshIntegration)
{
    struct law {
        shape s;
        double xini, xfin;
    };
    // Flat, a cusp at an end, peaked, a zero at 0, then random laws.
    std::vector<law> laws = {{{1, 0}, -1, 1}, {{1.2, 0}, 0, 1}, {{1000, 0}, -0.3, 0.9}, {{30, 60}, -1, 1}};
    std::mt19937_64 g(35);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int i = 0; i < 150; ++i) {
        const double a = u(g), b = u(g);
        laws.push_back({{std::exp(3.5 * (u(g) + 1)), 2 * static_cast<int>(g() % 31)}, std::min(a, b), std::max(a, b)});
    }
    const double accuracies[] = {shape::construction_accuracy, shape::soundness_accuracy, shape::precheck_accuracy};
    // Fresh: another law asked for just before, to the same accuracy.
    std::vector<double> alone[3];
    for (int k = 0; k < 3; ++k) {
        for (const law& l : laws) {
            shape{3, 2}.integral(-0.25, 0.75, accuracies[k]);
            alone[k].push_back(l.s.integral(l.xini, l.xfin, accuracies[k]));
        }
    }
    // Finest first (the coarser ones then kept), coarsest first, one asked
    // twice; on two threads side by side.
    for (const auto& order : {std::vector<int>{0, 1, 2}, {2, 1, 0, 1}, {1, 0, 0, 2}}) {
        auto ask = [&] {
            for (std::size_t i = 0; i < laws.size(); ++i) {
                for (const int k : order) {
                    const double v = laws[i].s.integral(laws[i].xini, laws[i].xfin, accuracies[k]);
                    EXPECT_EQ(std::bit_cast<std::uint64_t>(v), std::bit_cast<std::uint64_t>(alone[k][i]))
                        << "law " << i << ", accuracy " << accuracies[k];
                }
            }
        };
        std::thread other(ask);
        ask();
        other.join();
    }
}

}  // namespace
