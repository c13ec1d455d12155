// The writing of the tool's two files for one table, the way the tool writes
// them (their text, the folder's lock, the temporaries, the renames), against
// a yardstick: std::to_chars alone formatting the same numbers in the same
// formats into a buffer made ready beforehand, and one write a file. Rounds
// alternate the two, so that a machine whose speed drifts moves both; the
// medians and their ratio are printed. Both files are compared byte for byte
// with the yardstick's before any timing.
//
//     writing_bench [rounds [xini xfin H M n]]     (default: 31, -1 1 2 4 100000, tight)

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "driver/table_files.hpp"
#include "envelope/classic/density.hpp"
#include "envelope/classic/settings.hpp"
#include "sin_cos/build.hpp"

namespace {

struct numbers {
    std::vector<double> edges;             // the table's lines
    std::vector<double> plot;              // three a line
    double header[4];                      // as "%f" (H, xini, xfin, loss: the tool's own when exact)
    double a;
    int M, n;
};

numbers numbers_of(const sin_cos::built& b)
{
    const sin_cos::table& t = b.table;
    numbers k{{t.edges.begin(), t.edges.end() - 1}, {}, {t.H, t.xini, t.xfin, t.loss}, t.a, t.M,
              static_cast<int>(t.bins())};
    const envelope::settings density = envelope::for_density({t.H, t.M}, t.xini, t.xfin);
    std::vector<double> x(k.edges);
    x.push_back(b.last_edge);
    for (int i = 0; i < k.n; ++i) {
        for (int end = i; end <= i + 1; ++end) {
            k.plot.push_back(x[static_cast<std::size_t>(end)]);
            k.plot.push_back(envelope::g1(density, x[static_cast<std::size_t>(end)]));
            k.plot.push_back(b.heights[static_cast<std::size_t>(i)]);
        }
    }
    return k;
}

char* put(char* at, char* end, double v, std::chars_format style, int precision)
{
    return std::to_chars(at, end, v, style, precision).ptr;
}

// The yardstick's text of both files, into buffers sized once.
void yardstick_text(const numbers& k, std::vector<char>& table, std::size_t* table_size, std::vector<char>& plot,
                    std::size_t* plot_size)
{
    char* at = table.data();
    char* const end = table.data() + table.size();
    const std::string banner = "********* copy this line at the beginning of the main program ******\n"
                               "#define Nd_poi                   " +
                               std::to_string(k.n) +
                               "    // nb of points of each histogram\n"
                               "$*********************** end copy **********************************\n";
    at = std::copy(banner.begin(), banner.end(), at);
    at = put(at, end, k.header[0], std::chars_format::fixed, 6);
    *at++ = ' ';
    at = std::to_chars(at, end, k.M).ptr;
    *at++ = ' ';
    at = std::to_chars(at, end, k.n).ptr;
    for (int j = 1; j < 4; ++j) {
        *at++ = ' ';
        at = put(at, end, k.header[j], std::chars_format::fixed, 6);
    }
    *at++ = ' ';
    *at++ = ' ';
    at = put(at, end, k.a, std::chars_format::scientific, 16);
    *at++ = '\n';
    for (const double x : k.edges) {
        at = put(at, end, x, std::chars_format::scientific, 16);
        *at++ = '\n';
    }
    *table_size = static_cast<std::size_t>(at - table.data());

    at = plot.data();
    char* const plot_end = plot.data() + plot.size();
    for (std::size_t i = 0; i < k.plot.size(); i += 3) {
        at = put(at, plot_end, k.plot[i], std::chars_format::fixed, 6);
        *at++ = ' ';
        at = put(at, plot_end, k.plot[i + 1], std::chars_format::fixed, 6);
        *at++ = ' ';
        at = put(at, plot_end, k.plot[i + 2], std::chars_format::fixed, 6);
        *at++ = '\n';
    }
    *plot_size = static_cast<std::size_t>(at - plot.data());
}

void write_file(const std::string& path, const char* data, std::size_t size)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size) || close(fd) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 31;
    sin_cos::law law{-1, 1, 2, 4};
    int n = 100000;
    if (argc > 6) {
        law = {std::atof(argv[2]), std::atof(argv[3]), std::atof(argv[4]), std::atoi(argv[5])};
        n = std::atoi(argv[6]);
    }
    const sin_cos::built b = sin_cos::build(law, n, sin_cos::mode::tight);
    const numbers k = numbers_of(b);

    char folder_template[] = "/tmp/writing_bench.XXXXXX";
    const char* folder_made = mkdtemp(folder_template);
    if (folder_made == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = folder_made;
    const std::string tool_table = folder + "/Sin_Cos.res", tool_plot = folder + "/Sin_Cos_g1_f1.res";
    const std::string mark_table = folder + "/yardstick.res", mark_plot = folder + "/yardstick_g1_f1.res";

    std::vector<char> table(1000 + k.edges.size() * 32), plot(k.plot.size() * 420 / 3 + 1000);
    std::size_t table_size = 0, plot_size = 0;

    const auto tool_round = [&] {
        driver::run_files files(b, folder);
        files.commit();
    };
    const auto yardstick_round = [&](double* format_seconds) {
        const auto start = std::chrono::steady_clock::now();
        yardstick_text(k, table, &table_size, plot, &plot_size);
        *format_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        write_file(mark_table, table.data(), table_size);
        write_file(mark_plot, plot.data(), plot_size);
    };

    // The yardstick writes the tool's bytes wherever the header's numbers are
    // "%f" (the tool writes the fewest digits where that would not read back).
    double ignored = 0;
    tool_round();
    yardstick_round(&ignored);
    const bool same_table = contents(tool_table) == contents(mark_table);
    const bool same_plot = contents(tool_plot) == contents(mark_plot);
    std::printf("files: %zu + %zu bytes; the yardstick's are the tool's: table %s, plot %s\n", table_size, plot_size,
                same_table ? "yes" : "NO", same_plot ? "yes" : "NO");

    std::vector<double> tool, mark, mark_format;
    for (int r = 0; r < rounds; ++r) {
        auto start = std::chrono::steady_clock::now();
        tool_round();
        tool.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        double format_seconds = 0;
        start = std::chrono::steady_clock::now();
        yardstick_round(&format_seconds);
        mark.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        mark_format.push_back(format_seconds);
    }
    std::printf("medians of %d rounds (ms):\n", rounds);
    std::printf("  the tool's writing (text, lock, temporaries, renames)  %8.2f\n", 1e3 * median(tool));
    std::printf("  to_chars alone plus one write a file                     %8.2f  (to_chars %.2f)\n",
                1e3 * median(mark), 1e3 * median(mark_format));
    std::printf("  ratio                                                    %8.2f\n", median(tool) / median(mark));

    if (std::getenv("WRITING_BENCH_KEEP") == nullptr)
        for (const std::string& p : {tool_table, tool_plot, mark_table, mark_plot}) unlink(p.c_str());
    if (std::getenv("WRITING_BENCH_KEEP") == nullptr) rmdir(folder.c_str());
    else std::printf("kept in %s\n", folder.c_str());
    return same_table && same_plot ? 0 : 1;
}
