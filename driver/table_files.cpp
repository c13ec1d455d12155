#include "driver/table_files.hpp"

#include <cerrno>
#include <cstring>
#include <string>

#include "envelope/density.hpp"
#include "numeric/error.hpp"
#include "table_text.hpp"

namespace driver {

namespace {

[[noreturn]] void file_error(const char* action, const char* name)
{
    numeric::fatal("cannot %s \"%s\": %s", action, name, std::strerror(errno));
}

std::FILE* create(const char* name)
{
    std::FILE* file = std::fopen(name, "w");
    if (file == nullptr) file_error("create", name);
    return file;
}

void put(std::FILE* file, const std::string& text, const char* name)
{
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) file_error("write", name);
}

void close(std::FILE* file, const char* name)
{
    const bool failed = std::ferror(file) != 0;
    if (std::fclose(file) != 0 || failed) file_error("write", name);
}

}  // namespace

std::FILE* open_table(int n)
{
    std::FILE* table = create(table_file_name);
    put(table, sampler::text::banner(n), table_file_name);
    if (std::fflush(table) != 0) file_error("write", table_file_name);
    return table;
}

void write_histogram(std::FILE* table, double h, int m, int n, double xini, double xfin, double loss, double a,
                     const double x[])
{
    put(table, sampler::text::histogram(h, m, n, xini, xfin, loss, a, x), table_file_name);
}

void close_table(std::FILE* table) { close(table, table_file_name); }

void write_plot(const double x[], const double f1[], int n)
{
    std::FILE* plot = create(plot_file_name);
    std::string text;
    text.reserve(static_cast<std::size_t>(n) * 64);
    // Every inner edge ends one bin and starts the next: its density is computed once.
    double g = envelope::g1(x[0]);
    for (int i = 0; i < n; ++i) {
        const double g_next = envelope::g1(x[i + 1]);
        for (const auto& [edge, density] : {std::pair{x[i], g}, std::pair{x[i + 1], g_next}}) {
            sampler::text::fixed6(text, edge);
            text += ' ';
            sampler::text::fixed6(text, density);
            text += ' ';
            sampler::text::fixed6(text, f1[i]);
            text += '\n';
        }
        g = g_next;
    }
    put(plot, text, plot_file_name);
    close(plot, plot_file_name);
}

}  // namespace driver
