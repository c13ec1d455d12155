// The stream's draws against the exact law, run once and out of CI: for each
// table, N draws of std::mt19937_64(seed), a chi-square test on 1000 cells of
// equal exact mass and a Kolmogorov-Smirnov test, against this checker's law
// (Boost) and against the library's own cdf (sin_cos::detail::law_functions).
//     cmake --build build --target stream_law && build/check/stream_law [N]
#include <boost/math/distributions/chi_squared.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "envelope/law/distribution_functions.hpp"
#include "law.hpp"
#include "sin_cos/sampler.hpp"

int main(int argc, char** argv)
{
    const long N = argc > 1 ? std::atol(argv[1]) : 100000000;
    const struct {
        const char* name;
        double H;
        int M;
        double xini, xfin;
        int n;
        sin_cos::mode mode;
    } tables[] = {
        {"default 2 4 -1 1 n=100000", 2, 4, -1, 1, 100000, sin_cos::mode::classic},
        {"tight 3 4 -0.3 0.9 n=1", 3, 4, -0.3, 0.9, 1, sin_cos::mode::tight},
        {"tight 2.11 4 -1 1 n=5000", 2.11, 4, -1, 1, 5000, sin_cos::mode::tight},
    };
    constexpr int cells = 1000;
    for (const auto& t : tables) {
        const sin_cos::distribution dist(sin_cos::build_table(sin_cos::law{t.xini, t.xfin, t.H, t.M}, t.n, t.mode));
        const check::sin_cos_law law(t.H, t.M, t.xini, t.xfin);
        std::mt19937_64 rng(20261209);
        std::vector<double> draws(static_cast<std::size_t>(N));
        for (double& x : draws) x = dist(rng);
        // Cells of equal exact mass: the cell of x is floor(cdf(x) * cells).
        std::vector<long> count(cells, 0);
        for (const double x : draws) count[std::min(cells - 1, static_cast<int>(law.cdf(x) * cells))]++;
        const double expected = static_cast<double>(N) / cells;
        double chi2 = 0;
        for (const long c : count) chi2 += (c - expected) * (c - expected) / expected;
        const double p_chi2 = boost::math::cdf(boost::math::complement(boost::math::chi_squared(cells - 1), chi2));
        const check::ks_result ks = check::ks_test(draws, law);
        // The same sorted draws against the library's cdf.
        const sin_cos::detail::law_functions library_law(t.xini, t.xfin, t.H, t.M);
        const double n = static_cast<double>(draws.size());
        double d = 0;
        for (std::size_t i = 0; i < draws.size(); ++i) {
            const double f = library_law.cdf(draws[i]);
            d = std::max({d, f - static_cast<double>(i) / n, static_cast<double>(i + 1) / n - f});
        }
        const double root = std::sqrt(n);
        const double p_library = check::kolmogorov_survival((root + 0.12 + 0.11 / root) * d);
        std::printf("%-28s N=%ld  chi2(%d)=%.1f p=%.3f  KS D=%.3g p=%.3f  library cdf: KS D=%.3g p=%.3f\n", t.name, N,
                    cells - 1, chi2, p_chi2, ks.distance, ks.p_value, d, p_library);
        std::fflush(stdout);
    }
    return 0;
}
