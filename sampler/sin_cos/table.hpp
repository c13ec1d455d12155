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

// Reads the banner, the first histogram's header and its Nd_poi edges; xfin
// from the header closes the last bin. `source` names the file in messages.
Table read_table(std::istream& in, const std::string& source);
Table load_table(const std::string& path);

// Checks a table built in memory the way read_table checks a file; the line
// numbers in its messages are those the values would have in a file.
void validate(const Table& table, const std::string& source);

// Writes the table file byte for byte as sin_cos writes it: the banner, the
// header line and the n left edges. The file is replaced whole, as the tool
// replaces its own: written beside it (beside a symbolic link's target) and
// moved over it, keeping its permission bits. Throws std::runtime_error naming
// the path when the file cannot be created or written.
void write_table(const Table& table, const std::string& path);

}  // namespace sampler
