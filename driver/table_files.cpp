#include "driver/table_files.hpp"

#include <cerrno>
#include <cstring>

#include "envelope/density.hpp"
#include "numeric/error.hpp"

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

void check_write(int written, const char* name)
{
    if (written < 0) file_error("write", name);
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
    check_write(std::fprintf(table, "********* copy this line at the beginning of the main program ******\n"),
                table_file_name);
    check_write(std::fprintf(table, "#define Nd_poi                   %d    // nb of points of each histogram\n", n),
                table_file_name);
    check_write(std::fprintf(table, "$*********************** end copy **********************************\n"),
                table_file_name);
    if (std::fflush(table) != 0) file_error("write", table_file_name);
    return table;
}

void write_histogram(std::FILE* table, double h, int m, int n, double xini, double xfin, double loss, double a,
                     const double x[])
{
    check_write(std::fprintf(table, "%f %d %d %f %f %f  %20.16e\n", h, m, n, xini, xfin, loss, a), table_file_name);
    for (int i = 0; i < n; ++i) check_write(std::fprintf(table, "%20.16e\n", x[i]), table_file_name);
}

void close_table(std::FILE* table) { close(table, table_file_name); }

void write_plot(const envelope::settings& density, const double x[], const double f1[], int n)
{
    std::FILE* plot = create(plot_file_name);
    for (int i = 0; i < n; ++i) {
        check_write(std::fprintf(plot, "%f %f %f\n", x[i], envelope::g1(density, x[i]), f1[i]), plot_file_name);
        check_write(std::fprintf(plot, "%f %f %f\n", x[i + 1], envelope::g1(density, x[i + 1]), f1[i]), plot_file_name);
    }
    close(plot, plot_file_name);
}

}  // namespace driver
