// The quantile's set-up, its bulk ppf and its u-error, law by law, as
// tab-separated lines for bench/quantile_vs_pinv.py (which sets scipy's PINV
// beside them): the 32 laws of laws_bench's fit grid, then the laws chosen to
// break interpolation (H in {-0.99, 0, 1.01, 1e6, the largest}, M in {0, 2,
// 50}, on [-1, 1], [0, 1], [0, 1e-300] and three doubles at 0.3).
//
//     quantile_bench [--resolution R] [--repeat K]
//         law	xini	xfin	H	M	pieces	setup_us	ppf_ns	bound	jump	max_error	mean_error
//     quantile_bench --cdf XINI XFIN H M < pairs
//         the largest and mean |F(x) - u| of (u, x) pairs of doubles (binary)
//
// Set-up and ppf are the shortest of K rounds in CPU time; the u-error is measured with the law's exact cdf on
// 10^5 uniforms of a grid and of a stream, tails included.

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "sin_cos/error.hpp"
#include "sin_cos/quantile.hpp"

namespace {

struct law_row {
    double xini, xfin, H;
    int M;
};

std::vector<law_row> laws()
{
    std::vector<law_row> rows;
    for (const double H : {1.5, 2.11, 3.0, 5.0, 12.0, 30.0, 100.0, 1000.0})
        for (const int M : {0, 2, 4, 10}) rows.push_back({-1, 1, H, M});
    const double largest = 1 + 1e-4 * 0x1p54;
    const double near = std::nextafter(std::nextafter(0.3, 1.0), 1.0);
    for (const double H : {-0.99, 0.0, 1.01, 1e6, largest})
        for (const int M : {0, 2, 50})
            for (const auto& [a, b] : {std::pair{-1.0, 1.0}, {0.0, 1.0}, {0.0, 1e-300}, {0.3, near}})
                rows.push_back({a, b, H, M});
    return rows;
}

// This thread's CPU time: on a machine shared with other work, what the runs
// cost rather than how long they waited (the Python driver times PINV alike).
double cpu_now()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::vector<double> error_uniforms()
{
    std::vector<double> u;
    for (int i = 1; i < 50000; ++i) u.push_back(i / 50000.0);
    for (double t = 0.1; t > 1e-300; t /= 10) u.push_back(t), u.push_back(1 - t);
    std::mt19937_64 engine(2);
    for (int i = 0; i < 50000; ++i) u.push_back(sin_cos::quantile::uniform(engine()));
    u.erase(std::remove_if(u.begin(), u.end(), [](double v) { return !(v > 0 && v < 1); }), u.end());
    return u;
}

int run(double resolution, int repeat)
{
    std::vector<double> u(1'000'000), x(u.size());
    std::mt19937_64 engine(1);
    for (double& v : u) v = sin_cos::quantile::uniform(engine());
    const std::vector<double> checked = error_uniforms();
    std::printf("law\txini\txfin\tH\tM\tpieces\tsetup_us\tppf_ns\tbound\tjump\tmax_error\tmean_error\n");
    int index = 0;
    for (const law_row& l : laws()) {
        ++index;
        double setup = INFINITY, per_value = INFINITY;
        try {
            for (int k = 0; k < repeat; ++k) {
                const double start = cpu_now();
                const sin_cos::quantile q(sin_cos::law{l.xini, l.xfin, l.H, l.M}, resolution);
                setup = std::min(setup, cpu_now() - start);
            }
            const sin_cos::quantile q(sin_cos::law{l.xini, l.xfin, l.H, l.M}, resolution);
            const sin_cos::law_functions f(q.law());
            for (int k = 0; k < repeat; ++k) {
                const double start = cpu_now();
                q.ppf(u, x);
                per_value = std::min(per_value, (cpu_now() - start) / static_cast<double>(u.size()));
            }
            double worst = 0, sum = 0;
            for (double v : checked) {
                const double e = std::fabs(f.cdf(q.ppf(v)) - v);
                worst = std::max(worst, e);
                sum += e;
            }
            const sin_cos::u_error_bound b = q.u_error();
            std::printf("%d\t%.17g\t%.17g\t%.17g\t%d\t%zu\t%.1f\t%.2f\t%.3g\t%.3g\t%.3g\t%.3g\n", index, l.xini, l.xfin,
                        l.H, l.M, q.pieces(), setup * 1e6, per_value * 1e9, b.bound, b.jump, worst,
                        sum / static_cast<double>(checked.size()));
        } catch (const sin_cos::error& e) {
            std::printf("%d\t%.17g\t%.17g\t%.17g\t%d\trefused: %s\n", index, l.xini, l.xfin, l.H, l.M, e.what());
        }
        std::fflush(stdout);
    }
    return 0;
}

// The u-error of another sampler's (u, x) pairs against the law's exact cdf.
int measure(double xini, double xfin, double H, int M)
{
    const sin_cos::law_functions d(sin_cos::law{xini, xfin, H, M});
    double pair[2], worst = 0, sum = 0;
    long count = 0;
    while (std::fread(pair, sizeof(double), 2, stdin) == 2) {
        const double e = std::isfinite(pair[1]) ? std::fabs(d.cdf(pair[1]) - pair[0]) : INFINITY;
        worst = std::max(worst, e);
        sum += e;
        ++count;
    }
    std::printf("%.6g\t%.6g\n", worst, count > 0 ? sum / static_cast<double>(count) : 0.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    double resolution = 1e-12;
    int repeat = 5;
    try {
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], "--cdf") == 0 && i + 4 < argc)
                return measure(std::atof(argv[i + 1]), std::atof(argv[i + 2]), std::atof(argv[i + 3]),
                               std::atoi(argv[i + 4]));
            if (std::strcmp(argv[i], "--resolution") == 0 && i + 1 < argc) resolution = std::atof(argv[++i]);
            else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) repeat = std::max(1, std::atoi(argv[++i]));
            else {
                std::fprintf(stderr, "usage: quantile_bench [--resolution R] [--repeat K] | --cdf XINI XFIN H M\n");
                return 2;
            }
        }
        return run(resolution, repeat);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quantile_bench: %s\n", e.what());
        return 2;
    }
}
