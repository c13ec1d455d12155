#include <stdexcept>

#include "sin_cos/table.hpp"
#include "table_text.hpp"
#include "whole_file.hpp"

namespace sampler {

void write_table(const Table& t, const std::string& path)
{
    const int n = static_cast<int>(t.bins());
    files::replace(path, text::banner(n) + text::histogram(t.H, t.M, n, t.xini, t.xfin, t.loss, t.a, t.edges.data()));
}

void write_tables(const std::vector<Table>& tables, const std::string& path)
{
    if (tables.empty()) throw std::invalid_argument("write_tables: no table to write to \"" + path + "\"");
    const std::size_t bins = tables.front().bins();
    std::string text = text::banner(static_cast<int>(bins));
    for (std::size_t k = 0; k < tables.size(); ++k) {
        const Table& t = tables[k];
        if (t.bins() != bins) {
            throw std::invalid_argument("write_tables: table " + std::to_string(k + 1) + " has " +
                                        std::to_string(t.bins()) + " bins and table 1 has " + std::to_string(bins) +
                                        ": the histograms of one file have the same number of bins");
        }
        text += text::histogram(t.H, t.M, static_cast<int>(bins), t.xini, t.xfin, t.loss, t.a, t.edges.data());
    }
    files::replace(path, text);
}

}  // namespace sampler
