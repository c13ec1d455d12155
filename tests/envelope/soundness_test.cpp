#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "envelope/build.hpp"
#include "envelope/classic/calibration.hpp"
#include "envelope/classic/density.hpp"
#include "envelope/classic/state.hpp"
#include "envelope/classic/settings.hpp"
#include "envelope/law/shape.hpp"
#include "envelope/soundness.hpp"

namespace {

struct Case {
    double xini, xfin, h;
    int m, n;
};

// The first calibration, unchecked, as the build starts it.
envelope::built first_table(const Case& c)
{
    envelope::settings s = envelope::for_density({c.h, c.m}, c.xini, c.xfin);
    s.Xlimit = c.xfin + 0.5 / c.n;
    envelope::state st(s);
    return envelope::calibrated_table(st, c.n);
}

envelope::built build(const Case& c)
{
    return envelope::build(envelope::check_answers(c.h, c.m, c.xini, c.xfin, c.n), envelope::mode::classic);
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

bool sound(const envelope::settings& s, const envelope::built& t, int n)
{
    std::string why;
    return envelope::table_is_sound(s.H, s.M, s.Xini, s.Xfin, t.table.edges.data(), t.table.a, t.table.loss, t.factor,
                                    n, &why);
}

// Grid inputs whose first calibration gives a sound table keep it bit for bit;
// the others are recalibrated into a sound table with a small loss.
TEST(Soundness, SoundTablesAreKeptAndUnsoundOnesRecalibrated)
{
    const struct {
        Case c;
        bool first_sound;
    } cases[] = {
        {{-1, 1, 2, 4, 1000}, true},        {{-0.5, 0.8, 1, 0, 1000}, true},  {{0.2, 0.9, 2.11, 2, 1000}, true},
        {{0, 1, 5, 2, 1000}, true},         {{-0.5, 0.8, 1000, 4, 1000}, true}, {{-1, 1, 2, 4, 7}, true},
        {{0, 1, 1, 4, 1000}, false},        {{0.2, 0.5, 2, 4, 300}, false},   {{-0.5, 0.8, 2.11, 2, 1000}, false},
        {{-1, -0.3, 2, 0, 1000}, false},    {{0.2, 0.9, 1.5, 4, 1000}, false},
    };
    for (const auto& [c, first_sound] : cases) {
        SCOPED_TRACE(testing::Message() << c.xini << ".." << c.xfin << " H=" << c.h << " M=" << c.m << " n=" << c.n);
        envelope::built plain = first_table(c);
        const envelope::built checked = build(c);
        // The density's own maxima.
        const envelope::settings density = envelope::for_density({c.h, c.m}, c.xini, c.xfin);
        EXPECT_EQ(sound(density, plain, c.n), first_sound);
        EXPECT_EQ(checked.recalibrated, !first_sound);
        EXPECT_TRUE(sound(density, checked, c.n));
        if (first_sound) {
            EXPECT_TRUE(plain.low_bins.empty());  // what the build's silence rests on
            EXPECT_EQ(plain.table.edges[c.n], checked.x_end);
            plain.table.edges[c.n] = c.xfin;  // as the file holds it
            EXPECT_TRUE(same_bits(plain.table.edges, checked.table.edges));
            EXPECT_TRUE(same_bits(plain.f1, checked.f1));
            EXPECT_EQ(plain.table.a, checked.table.a);
            EXPECT_EQ(plain.table.loss, checked.table.loss);
        } else {
            EXPECT_LE(checked.table.loss, 5.0);
        }
    }
}

// A stationary point just past the domain end: the tables choose it and see a
// density of 0, the domain's own maximum lies at the end.
TEST(Soundness, MaximaAreClippedToTheDomain)
{
    using namespace envelope;
    settings s = for_density({2.11, 2}, -0.5, 0.8);  // xm = sqrt(2 / 3.11) = 0.8019...
    state bare(s);
    EXPECT_EQ(g1_Deltax_max(bare, 0.7, 0.9), 0.0);
    EXPECT_EQ(g1_max_in_domain(bare, 0.7, 0.9), g1(s, 0.8));
    EXPECT_EQ(g1_max_in_domain(bare, 0.85, 0.9), 0.0);
    s.Clip_maxima = true;
    state clipped(s);
    EXPECT_EQ(g1_Deltax_max(clipped, 0.7, 0.9), g1(s, 0.8));
}

// The table as its file holds it: heights from the area and the edges, the
// last bin closed by xfin, the loss with six decimals.
TEST(Soundness, CheckNamesTheFirstFault)
{
    const double x[] = {-1, 0, 0.5};  // x[2] is never read: xfin closes the last bin
    const double x_low[] = {-1, -0.5};
    const double x_back[] = {-1, -1};
    const double loss_2 = 154.647909;  // n a = 4
    const double loss_1 = 27.323954;   // n a = 2
    std::string why;
    EXPECT_TRUE(envelope::table_is_sound(2, 0, -1, 1, x, 2, loss_2, 1.001, 2, &why)) << why;
    EXPECT_FALSE(envelope::table_is_sound(2, 0, -1, 1, x, 2, loss_2, 2.5, 2, &why));
    EXPECT_NE(why.find("correction factor 2.5"), std::string::npos) << why;
    EXPECT_FALSE(envelope::table_is_sound(2, 0, -1, 1, x, -0.0, loss_2, 1.001, 2, &why));
    EXPECT_FALSE(envelope::table_is_sound(2, 0, -1, 1, x_low, 1, loss_1, 1.001, 2, &why));
    EXPECT_NE(why.find("bin 1 on [-0.5, 1] has height"), std::string::npos) << why;
    EXPECT_FALSE(envelope::table_is_sound(2, 0, -1, 1, x_back, 2, loss_2, 1.001, 2, &why));
    EXPECT_NE(why.find("the edges do not increase"), std::string::npos) << why;
    // The loss is a statement about the table, no condition of drawing from it.
    EXPECT_TRUE(envelope::table_is_sound(2, 0, -1, 1, x, 2, 156, 1.001, 2, &why)) << why;
    EXPECT_TRUE(envelope::table_is_sound(2, 0, -1, 1, x, 2, -5, 1.001, 2, &why)) << why;
}

// The law's integral kept per thread: whatever was asked before, on whatever
// thread, each figure is the one a fresh integration to its accuracy gives.
TEST(LawIntegral, KeptFiguresAreThoseOfAFreshIntegration)
{
    using sin_cos::detail::shape;
    struct law {
        shape s;
        double xini, xfin;
    };
    // Flat, a cusp at an end, peaked, a zero at 0, laws one number apart
    // from the one before, then random laws.
    std::vector<law> laws = {{{1, 0}, -1, 1},       {{1.2, 0}, 0, 1},      {{1000, 0}, -0.3, 0.9}, {{30, 60}, -1, 1},
                             {{2, 4}, -0.5, 0.5},   {{2, 4}, -0.5, 0.9},   {{2, 4}, -0.2, 0.9},    {{2.5, 4}, -0.2, 0.9},
                             {{2.5, 6}, -0.2, 0.9}};
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
    // A coarse one (the coarser kept), the finest (the others kept from it),
    // then those kept, on two threads side by side.
    auto ask = [&] {
        for (std::size_t i = 0; i < laws.size(); ++i) {
            for (const int k : {1, 0, 2, 1}) {
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

}  // namespace
