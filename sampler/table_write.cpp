#include "sin_cos/table.hpp"
#include "table_text.hpp"
#include "whole_file.hpp"

namespace sampler {

void write_table(const Table& t, const std::string& path)
{
    const int n = static_cast<int>(t.bins());
    files::replace(path, text::banner(n) + text::histogram(t.H, t.M, n, t.xini, t.xfin, t.loss, t.a, t.edges.data()));
}

}  // namespace sampler
