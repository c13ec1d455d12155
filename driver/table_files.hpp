#pragma once

#include <string>

#include "envelope/table.hpp"

namespace driver {

inline constexpr const char* table_file_name = "Sin_Cos.res";
inline constexpr const char* plot_file_name = "Sin_Cos_g1_f1.res";

// Puts both files of a finished build in place, each replaced whole: the
// table file (banner, header line, left edges x[0..n-1]) and the plot file
// (both ends of every bin, the last one where the construction pinned it,
// with the density there, 0 outside its domain, and the bin's height). A file
// that cannot be written is an input/output failure naming it, and then
// neither file is changed.
void write_files(const envelope::built& t);

// The same for a table file of one or more histograms, its whole text given:
// the plot file shows the histogram `plotted`.
void write_files(const std::string& table, const envelope::built& plotted);

// What a run that fails after its answers were accepted leaves: a table file
// of the three banner lines, replaced whole; the plot file is not touched.
void write_banner_only(int n);

}  // namespace driver
