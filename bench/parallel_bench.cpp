// Two threads each building a mix of tables, in opposite orders, against the
// same six builds one after another: rounds alternate the two ways, and the
// times of each way are reported with their ratio. The tables built both ways
// must be identical.
//
//     parallel_bench [rounds]

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <sin_cos/sampler.hpp>

namespace {

struct request {
    double H;
    int M;
    double xini, xfin;
    int n;
    sin_cos::mode m;
};

const request mix[] = {
    {2.11, 4, -0.3, 0.9, 20000, sin_cos::mode::classic},
    {2, 4, -1, 1, 100000, sin_cos::mode::tight},
    {2, 4, -1, 1, 20000, sin_cos::mode::classic},
};
constexpr int count = sizeof mix / sizeof mix[0];

using tables = std::vector<sin_cos::table>;

// The mix in order, or backwards.
tables build_mix(bool backwards)
{
    tables built;
    for (int k = 0; k < count; ++k) {
        const request& r = mix[backwards ? count - 1 - k : k];
        built.push_back(sin_cos::build_table(sin_cos::law{r.xini, r.xfin, r.H, r.M}, r.n, r.m));
    }
    return built;
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool same(const tables& a, const tables& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].edges != b[i].edges || a[i].a != b[i].a || a[i].loss != b[i].loss) return false;
    }
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t h = v.size() / 2;
    return v.size() % 2 == 1 ? v[h] : (v[h - 1] + v[h]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (rounds < 1) {
        std::fprintf(stderr, "usage: parallel_bench [rounds >= 1]\n");
        return 2;
    }
    std::vector<double> serial_times, parallel_times;
    bool identical = true;
    tables reference_forwards, reference_backwards;  // of the first round
    for (int round = 0; round < rounds; ++round) {
        for (int way = 0; way < 2; ++way) {
            const bool parallel = (way + round) % 2 == 1;
            const auto start = std::chrono::steady_clock::now();
            const std::clock_t cpu_start = std::clock();
            tables forwards, backwards;
            if (parallel) {
                std::thread other([&backwards] { backwards = build_mix(true); });
                forwards = build_mix(false);
                other.join();
            } else {
                forwards = build_mix(false);
                backwards = build_mix(true);
            }
            const double t = seconds_since(start);
            // Over the wall time: how many cores the builds had, on average.
            const double cores = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC / t;
            (parallel ? parallel_times : serial_times).push_back(t);
            if (reference_forwards.empty()) {
                reference_forwards = forwards;
                reference_backwards = backwards;
            }
            identical = identical && same(forwards, reference_forwards) && same(backwards, reference_backwards);
            std::printf("round %d  %-20s %8.3f s  (%.2f cores busy)\n", round + 1,
                        parallel ? "two threads" : "one after another", t, cores);
        }
    }
    const double serial_min = *std::min_element(serial_times.begin(), serial_times.end());
    const double parallel_min = *std::min_element(parallel_times.begin(), parallel_times.end());
    std::printf("one after another: min %.3f s, median %.3f s\n", serial_min, median(serial_times));
    std::printf("two threads:       min %.3f s, median %.3f s\n", parallel_min, median(parallel_times));
    std::printf("ratio (two threads / one after another): min %.3f, median %.3f\n", parallel_min / serial_min,
                median(parallel_times) / median(serial_times));
    std::printf("tables identical: %s\n", identical ? "yes" : "NO");
    return identical ? 0 : 1;
}
