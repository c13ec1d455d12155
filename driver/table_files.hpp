#pragma once

#include <cstdio>

#include "envelope/settings.hpp"

namespace driver {

inline constexpr const char* table_file_name = "Sin_Cos.res";
inline constexpr const char* plot_file_name = "Sin_Cos_g1_f1.res";

// Creates the table file and writes its copy banner, flushed at once so that a
// full disk is noticed before the build. Any failure is a numerical failure
// naming the file and the reason.
std::FILE* open_table(int n);

// Appends one histogram: its header line and the left edges x[0..n-1].
void write_histogram(std::FILE* table, double h, int m, int n, double xini, double xfin, double loss, double a,
                     const double x[]);

// Closes the table file, checking that everything reached it.
void close_table(std::FILE* table);

// Writes the plot file: both ends of every bin with the density (that of
// `density`, 0 outside its domain) and the bin's height.
void write_plot(const envelope::settings& density, const double x[], const double f1[], int n);

}  // namespace driver
