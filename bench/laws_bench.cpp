// The 32 --tight laws of a typical fit grid (H in {1.5, 2.11, 3, 5, 12, 30,
// 100, 1000} x M in {0, 2, 4, 10} on [-1, 1], n = 20000), built side by side
// by build_tables against the same builds one after another: rounds alternate
// the two ways, each way's times and the cores it kept busy are reported with
// their ratio, and the tables must be identical. Given the tool, the whole run
// (`sin_cos --tight --bins 20000 --laws FILE`, the file written once) is timed
// the same way, one after another meaning the run held to one core (taskset).
// "cores busy" is the CPU time over the wall time: on a machine shared with
// other work it shows how much of it the runs were given.
//
//     laws_bench [rounds] [path/to/sin_cos]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sin_cos/sampler.hpp>

namespace {

constexpr int bins = 20000;

std::vector<sin_cos::law> grid()
{
    std::vector<sin_cos::law> laws;
    for (const double H : {1.5, 2.11, 3.0, 5.0, 12.0, 30.0, 100.0, 1000.0})
        for (const int M : {0, 2, 4, 10}) laws.push_back({-1.0, 1.0, H, M});
    return laws;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t h = v.size() / 2;
    return v.size() % 2 == 1 ? v[h] : (v[h - 1] + v[h]) / 2;
}

bool same(const std::vector<sin_cos::table>& a, const std::vector<sin_cos::table>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].edges != b[i].edges || a[i].a != b[i].a || a[i].loss != b[i].loss) return false;
    }
    return true;
}

// CPU time of this process (all threads) or of its waited-for children.
double cpu_seconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

struct timing {
    std::vector<double> serial, parallel;
    void report(const char* what) const
    {
        const double s = median(serial), p = median(parallel);
        std::printf("%s: one after another median %.3f s (min %.3f), side by side median %.3f s (min %.3f)\n", what, s,
                    *std::min_element(serial.begin(), serial.end()), p,
                    *std::min_element(parallel.begin(), parallel.end()));
        std::printf("%s: ratio (side by side / one after another): median %.3f, min %.3f\n", what, p / s,
                    *std::min_element(parallel.begin(), parallel.end()) /
                        *std::min_element(serial.begin(), serial.end()));
    }
};

std::string slurp(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (rounds < 1) {
        std::fprintf(stderr, "usage: laws_bench [rounds >= 1] [path/to/sin_cos]\n");
        return 2;
    }
    const std::vector<sin_cos::law> laws = grid();
    timing builds;
    std::vector<sin_cos::table> reference;
    std::vector<double> per_law;  // of the last round one after another
    bool identical = true;
    for (int round = 0; round < rounds; ++round) {
        for (int way = 0; way < 2; ++way) {
            const bool parallel = (way + round) % 2 == 1;
            const auto start = std::chrono::steady_clock::now();
            const double cpu_start = cpu_seconds(RUSAGE_SELF);
            std::vector<sin_cos::table> tables;
            if (parallel) {
                tables = sin_cos::build_tables(laws, bins, sin_cos::mode::tight);
            } else {
                per_law.assign(laws.size(), 0.0);
                for (std::size_t k = 0; k < laws.size(); ++k) {
                    const sin_cos::law& l = laws[k];
                    const auto law_start = std::chrono::steady_clock::now();
                    tables.push_back(sin_cos::build_table(sin_cos::law{l.xini, l.xfin, l.H, l.M}, bins, sin_cos::mode::tight));
                    per_law[k] = std::chrono::duration<double>(std::chrono::steady_clock::now() - law_start).count();
                }
            }
            const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double cores = (cpu_seconds(RUSAGE_SELF) - cpu_start) / t;
            (parallel ? builds.parallel : builds.serial).push_back(t);
            if (reference.empty()) reference = tables;
            identical = identical && same(tables, reference);
            std::printf("builds   round %d  %-18s %7.3f s  (%.2f cores busy)\n", round + 1,
                        parallel ? "side by side" : "one after another", t, cores);
        }
    }
    builds.report("builds");
    // What the order of taking the laws allows on two free cores: each law
    // goes to the core that is free first, in the given order.
    double cores[2] = {0, 0};
    for (const double t : per_law) *std::min_element(cores, cores + 2) += t;
    double total = 0;
    for (const double t : per_law) total += t;
    std::printf("builds: on two free cores the given order allows a ratio of %.3f (longest law %.3f s of %.3f s)\n",
                *std::max_element(cores, cores + 2) / total, *std::max_element(per_law.begin(), per_law.end()),
                total);
    std::printf("builds: tables identical: %s\n", identical ? "yes" : "NO");
    if (argc < 3) return identical ? 0 : 1;

    // The whole run of the tool, in a directory of its own.
    namespace fs = std::filesystem;
    const fs::path tool = fs::absolute(argv[2]);
    const fs::path work = fs::temp_directory_path() / ("laws_bench." + std::to_string(getpid()));
    fs::create_directories(work);
    {
        std::ofstream file(work / "laws.txt");
        for (const sin_cos::law& l : laws) file << l.xini << ' ' << l.xfin << ' ' << l.H << ' ' << l.M << '\n';
    }
    timing runs;
    std::string first_table;
    for (int round = 0; round < rounds; ++round) {
        for (int way = 0; way < 2; ++way) {
            const bool parallel = (way + round) % 2 == 1;
            const std::string command = "cd '" + work.string() + "' && " + (parallel ? "" : "taskset -c 0 ") + "'" +
                                        tool.string() + "' --tight --bins " + std::to_string(bins) +
                                        " --laws laws.txt > /dev/null";
            const auto start = std::chrono::steady_clock::now();
            const double cpu_start = cpu_seconds(RUSAGE_CHILDREN);
            const int status = std::system(command.c_str());
            const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double cores = (cpu_seconds(RUSAGE_CHILDREN) - cpu_start) / t;
            if (status != 0) {
                std::fprintf(stderr, "laws_bench: \"%s\" failed\n", command.c_str());
                return 1;
            }
            (parallel ? runs.parallel : runs.serial).push_back(t);
            const std::string table = slurp(work / "Sin_Cos.res");
            if (first_table.empty()) first_table = table;
            identical = identical && table == first_table;
            std::printf("tool run round %d  %-18s %7.3f s  (%.2f cores busy)\n", round + 1,
                        parallel ? "on every core" : "on one core", t, cores);
        }
    }
    runs.report("tool run");
    std::printf("tool run: table files identical: %s\n", identical ? "yes" : "NO");
    fs::remove_all(work);
    return identical ? 0 : 1;
}
