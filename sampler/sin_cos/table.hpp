#pragma once

#include <cmath>
#include <cstddef>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "sin_cos/density.hpp"
#include "sin_cos/histogram.hpp"

namespace sampler {

inline constexpr const char* default_table_file = "Sin_Cos.res";

// The kinds of failure, one vocabulary for every interface: a refused answer,
// a numerical failure, a table file that is not a table (malformed) or that
// cannot be drawn from (unsound), a file that cannot be read or written (io).
enum class error_kind { refused, numerical, malformed, unsound, io };

// A file that cannot be opened, read or written: its path and the system's
// error number.
class io_error : public std::runtime_error {
public:
    io_error(const std::string& path, int error_number, const std::string& what)
        : std::runtime_error(what), path_(path), error_number_(error_number)
    {
    }
    const std::string& path() const noexcept { return path_; }
    int error_number() const noexcept { return error_number_; }

private:
    std::string path_;
    int error_number_;
};

// A table that cannot be used. `malformed` means the file is not a table
// (bad syntax, truncated, inconsistent counts); `unsound` means it parses but
// its envelope cannot be sampled from (edges out of order, area not positive).
class table_error : public std::runtime_error {
public:
    enum class kind { malformed, unsound };

    table_error(kind k, const std::string& source, int line, const std::string& what);

    kind problem() const noexcept { return kind_; }
    int line() const noexcept { return line_; }  // 1-based line of the table file, 0 if none

private:
    kind kind_;
    int line_;
};

// One histogram of a table file: the parameters of the density, the common
// bin area and the n + 1 bin edges (the last one is the interval's right end).
// The construction builds this very type.
using Table = law::table;

// The density's factors and the density itself, for |x| <= 1.
using law::cos_factor;
using law::sin_factor;
using law::density;

// Reads every histogram of a table file: the banner once, then for each
// histogram its header line and Nd_poi edges (blank lines may separate them,
// as in K single tables pasted under one banner); xfin from each header
// closes its last bin. `source` names the file in messages; those about one
// histogram of several also say which ("histogram 2 of 3").
std::vector<Table> read_tables(std::istream& in, const std::string& source);
std::vector<Table> load_tables(const std::string& path);

// A file of one histogram. A file of several is refused with a message saying
// how many it holds (a malformed table_error without a line), never read as
// its first; load_table(path, index) takes histogram `index`, counted from 0,
// and throws std::out_of_range past the last.
Table read_table(std::istream& in, const std::string& source);
Table load_table(const std::string& path);
Table load_table(const std::string& path, std::size_t index);

// Checks a table built in memory the way read_table checks a file; the line
// numbers in its messages are those the values would have in a file.
void validate(const Table& table, const std::string& source);

// Writes the table file byte for byte as sin_cos writes it: the banner, the
// header line and the n left edges. The file is replaced whole, as the tool
// replaces its own: written beside it (beside a symbolic link's target) and
// moved over it, keeping its permission bits. Throws std::runtime_error naming
// the path when the file cannot be created or written, and table_error, the
// file untouched, for a table that read_table would refuse: a Table is a
// struct any code can fill, and no file may lie about its law.
void write_table(const Table& table, const std::string& path);

// The file of several histograms, in their order, under one banner: each
// histogram's lines are those write_table writes for it alone. Every table
// must have the same number of bins (Nd_poi is one for the file), and there
// must be at least one: std::invalid_argument otherwise, before the file is
// touched; each must be sound (table_error naming the histogram and its line).
void write_tables(const std::vector<Table>& tables, const std::string& path);

}  // namespace sampler
