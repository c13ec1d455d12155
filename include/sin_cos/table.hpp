#pragma once

// The table: one histogram of the file sin_cos writes, built in process or
// read back, and the functions that read and write its file.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "error.hpp"
#include "law.hpp"

namespace sin_cos {

inline constexpr const char* default_table_file = "Sin_Cos.res";

// How a table's common area is calibrated: `classic` is what sin_cos does by
// default; `tight` is sin_cos --tight, the lowest loss n equal-area bins allow.
enum class mode { classic, tight };

// One histogram of a table file, from the construction to the bindings: the
// parameters of the density in the order of the file's header line, the
// common bin area and the n + 1 bin edges (the last one is the interval's
// right end).
struct table {
    double H = 2.0;
    int M = 4;
    double xini = -1.0;
    double xfin = 1.0;
    double loss = 0.0;  // excess area of the envelope, in percent
    double a = 0.0;     // common bin area
    std::vector<double> edges;

    std::size_t bins() const { return edges.empty() ? 0 : edges.size() - 1; }
    double height(std::size_t i) const { return a / (edges[i + 1] - edges[i]); }
    sin_cos::law law() const { return sin_cos::law{xini, xfin, H, M}; }
};

// Reads every histogram of a table file: the banner once, then for each
// histogram its header line and Nd_poi edges (blank lines may separate them,
// as in K single tables pasted under one banner); xfin from each header
// closes its last bin. `source` names the file in messages; those about one
// histogram of several also say which ("histogram 2 of 3"). Throws
// table_error, and io_error for a file that cannot be opened or read (a
// missing file, a directory).
std::vector<table> read_tables(std::istream& in, const std::string& source);
std::vector<table> load_tables(const std::string& path);

// A file of one histogram. A file of several is refused with a message saying
// how many it holds (a malformed table_error without a line), never read as
// its first; load_table(path, index) takes histogram `index`, counted from 0,
// and throws error (invalid_argument) past the last.
table read_table(std::istream& in, const std::string& source);
table load_table(const std::string& path);
table load_table(const std::string& path, std::size_t index);

// Checks a table built in memory the way read_table checks a file; the line
// numbers in its messages are those the values would have in a file.
void validate(const table& t, const std::string& source);

// Writes the table file byte for byte as sin_cos writes it: the banner, the
// header line and the n left edges. The file is replaced whole, as the tool
// replaces its own: written beside it (beside a symbolic link's target) and
// moved over it, keeping its permission bits. Throws io_error naming the path
// when the file cannot be created or written, and table_error, the file
// untouched, for a table that read_table would refuse: a table is a struct
// any code can fill, and no file may lie about its law.
void write_table(const table& t, const std::string& path);

// The file of several histograms, in their order, under one banner: each
// histogram's lines are those write_table writes for it alone. Every table
// must have the same number of bins (Nd_poi is one for the file), and there
// must be at least one: error (invalid_argument) otherwise, before the file is
// touched; each must be sound (table_error naming the histogram and its line).
void write_tables(const std::vector<table>& tables, const std::string& path);

}  // namespace sin_cos
