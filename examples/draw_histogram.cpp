// Draws a million values of x = cos(theta) from a sin_cos table and prints
// their histogram.
//
//     draw_histogram          builds the default table (H 2, M 4, [-1, 1], 5000 bins)
//     draw_histogram TABLE    reads a table file written by sin_cos
#include <algorithm>
#include <cstdio>
#include <exception>
#include <random>
#include <string>
#include <vector>

#include <sin_cos/sampler.hpp>

int main(int argc, char** argv)
{
    constexpr long draws = 1'000'000;
    constexpr std::size_t bins = 40;
    try {
        const sin_cos::table table =
            argc > 1 ? sin_cos::load_table(argv[1]) : sin_cos::build_table(sin_cos::law{-1.0, 1.0, 2.0, 4}, 5000);
        const sin_cos::distribution cos_theta(table);
        std::mt19937_64 rng(12345);

        const double lo = cos_theta.min();
        const double width = (cos_theta.max() - lo) / bins;
        std::vector<long> counts(bins);
        for (long i = 0; i < draws; ++i) {
            const auto k = static_cast<std::size_t>((cos_theta(rng) - lo) / width);
            ++counts[std::min(k, bins - 1)];
        }

        std::printf("# %ld draws, H = %g, M = %d, [%g, %g], %zu table bins\n# x  count\n", draws, table.H, table.M,
                    table.xini, table.xfin, table.bins());
        const long peak = *std::max_element(counts.begin(), counts.end());
        for (std::size_t k = 0; k < bins; ++k)
            std::printf("%8.4f %7ld %s\n", lo + (static_cast<double>(k) + 0.5) * width, counts[k],
                        std::string(static_cast<std::size_t>(60 * counts[k] / peak), '#').c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "draw_histogram: %s\n", e.what());
        return 1;
    }
    return 0;
}
