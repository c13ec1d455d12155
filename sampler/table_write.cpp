#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "sin_cos/table.hpp"
#include "table_text.hpp"

namespace sampler {

void write_table(const Table& t, const std::string& path)
{
    const int n = static_cast<int>(t.bins());
    const std::string text = text::banner(n) + text::histogram(t.H, t.M, n, t.xini, t.xfin, t.loss, t.a, t.edges.data());
    const auto failed = [&](const char* action) {
        return std::runtime_error("cannot " + std::string(action) + " \"" + path + "\": " + std::strerror(errno));
    };
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) throw failed("create");
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) throw failed("write");
}

}  // namespace sampler
