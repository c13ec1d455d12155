#include <stdexcept>

#include "envelope/law/soundness.hpp"
#include "sin_cos/table.hpp"
#include "table_check.hpp"
#include "sin_cos/table_text.hpp"
#include "sin_cos/whole_file.hpp"

namespace sin_cos {

// A table is any struct a caller fills: none is written that a reader would
// refuse, so that no file lies about its law.
void write_table(const sin_cos::table& t, const std::string& path)
{
    validate_at(t, path, sin_cos::detail::header_line, "");
    const int n = static_cast<int>(t.bins());
    std::string text = text::banner(n);
    text::histogram(text, t.H, t.M, n, t.xini, t.xfin, t.loss, t.a, t.edges.data());
    files::replace(path, text);
}

void write_tables(const std::vector<sin_cos::table>& tables, const std::string& path)
{
    if (tables.empty()) throw error(errc::invalid_argument, "write_tables: no table to write to \"" + path + "\"");
    const std::size_t bins = tables.front().bins();
    std::string text = text::banner(static_cast<int>(bins));
    for (std::size_t k = 0; k < tables.size(); ++k) {
        const sin_cos::table& t = tables[k];
        if (t.bins() != bins) {
            throw error(errc::invalid_argument, "write_tables: table " + std::to_string(k + 1) + " has " +
                                        std::to_string(t.bins()) + " bins and table 1 has " + std::to_string(bins) +
                                        ": the histograms of one file have the same number of bins");
        }
        const int header_at = sin_cos::detail::header_line + static_cast<int>(k * (bins + 1));
        validate_at(t, path, header_at,
                    "histogram " + std::to_string(k + 1) + " of " + std::to_string(tables.size()) + ": ");
        text::histogram(text, t.H, t.M, static_cast<int>(bins), t.xini, t.xfin, t.loss, t.a, t.edges.data());
    }
    files::replace(path, text);
}

}  // namespace sin_cos
