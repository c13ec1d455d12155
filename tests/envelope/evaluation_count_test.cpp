#include <algorithm>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "envelope/classic/calibration.hpp"
#include "envelope/classic/density.hpp"
#include "envelope/classic/edges.hpp"
#include "envelope/classic/state.hpp"
#include "envelope/classic/settings.hpp"

namespace {

using namespace envelope;

// The tool's start-up settings with the calibration target of an n-bin run.
settings defaults(int n)
{
    settings s = start_up();
    s.Xlimit = 1 + 0.5 / n;
    return s;
}

// The calibration asks for at most the 3351 residuals its algorithm needs
// here; the memory keeps the density's computations to about one for every
// distinct bin end among them (2324), where a plain evaluation of each
// residual would compute it 6415 times.
TEST(EvaluationCount, SmallCalibrationOfTheDefaults)
{
    constexpr int n = 37;
    state st(defaults(n));
    std::vector<double> x(n + 1, -1.0);
    find_a(st, 0.0053, x.data(), n);
    EXPECT_LE(st.density_memo.residuals_asked, 3351u);
    EXPECT_LE(st.density_memo.densities, 2324u);
}

struct outcome {
    double residual;
    std::vector<double> edges;
};

outcome residual_and_layout(state& st, int n)
{
    std::vector<double> x(n + 1, 0.2);
    find_x_all(st, 0.01, x.data(), n);
    return {g1_Deltax(st, 0.2, 0.5, 0.01), x};
}

// Remembered heights, residuals and layouts follow the settings they depend
// on: the same settings give the same answers whatever ran before, in the
// same state when only Xlimit moves, in a fresh one otherwise.
TEST(EvaluationCount, NothingRememberedOutlivesASettingItDependsOn)
{
    using setting = void (*)(settings&);
    const setting none = [](settings&) {};
    const struct {
        const char* name;
        setting base, change;
        bool moves_residual;
    } cases[] = {
        {"H", none, [](settings& s) { s.H = 3; }, true},
        {"M", none, [](settings& s) { s.M = 2; }, true},
        {"Xini", none, [](settings& s) { s.Xini = 0.6; }, true},
        {"Xfin", none, [](settings& s) { s.Xfin = 0.45; }, true},
        {"Clip_maxima", [](settings& s) { s.Xfin = 0.45; }, [](settings& s) { s.Clip_maxima = true; }, true},
        {"Xlimit", none, [](settings& s) { s.Xlimit = 0.4; }, false},
        {"Acc_ridders", none, [](settings& s) { s.Acc_ridders = 1e-3; }, false},
        {"Acc_interval", none, [](settings& s) { s.Acc_interval = 0.03; }, false},
    };
    constexpr int n = 6;
    for (const auto& c : cases) {
        const bool same_state = c.name == std::string("Xlimit");
        settings base = defaults(n);
        c.base(base);
        settings changed = base;
        c.change(changed);
        std::unique_ptr<state> st = std::make_unique<state>(base);
        outcome seen[4];
        for (int i = 0; i < 4; ++i) {
            const settings& s = i % 2 == 1 ? changed : base;
            if (same_state) {
                st->Xlimit = s.Xlimit;
            } else {
                st = std::make_unique<state>(s);
            }
            seen[i] = residual_and_layout(*st, n);
        }
        EXPECT_EQ(seen[0].residual, seen[2].residual) << c.name;
        EXPECT_EQ(seen[1].residual, seen[3].residual) << c.name;
        EXPECT_EQ(seen[0].edges, seen[2].edges) << c.name;
        EXPECT_EQ(seen[1].edges, seen[3].edges) << c.name;
        EXPECT_NE(seen[0].edges, seen[1].edges) << c.name;
        if (c.moves_residual) {
            EXPECT_NE(seen[0].residual, seen[1].residual) << c.name;
        }
    }
}

}  // namespace
