#include <string>
#include <utility>
#include <vector>

#include "envelope/classic/density.hpp"
#include "envelope/classic/settings.hpp"
#include "sin_cos/build.hpp"
#include "sin_cos/table_text.hpp"

namespace sin_cos::text {

std::string plot(const built& b)
{
    const table& t = b.table;
    const int n = static_cast<int>(t.bins());
    // A struct any code can fill: one that is not a build's would be read past its end.
    if (n == 0 || b.heights.size() != t.bins())
        throw error(errc::invalid_argument, "plot: a table of " + std::to_string(t.bins()) + " bins with " +
                                                std::to_string(b.heights.size()) + " heights is not a build's");
    const envelope::settings density = envelope::for_density({t.H, t.M}, t.xini, t.xfin);
    std::vector<double> x(t.edges.begin(), t.edges.end() - 1);
    x.push_back(b.last_edge);
    const double* f1 = b.heights.data();
    std::string text;
    text.reserve(static_cast<std::size_t>(n) * 64);
    // Every inner edge ends one bin and starts the next: its density is computed once.
    double g = envelope::g1(density, x[0]);
    for (int i = 0; i < n; ++i) {
        const double g_next = envelope::g1(density, x[i + 1]);
        for (const auto& [edge, g_edge] : {std::pair{x[i], g}, std::pair{x[i + 1], g_next}}) {
            fixed6(text, edge);
            text += ' ';
            fixed6(text, g_edge);
            text += ' ';
            fixed6(text, f1[i]);
            text += '\n';
        }
        g = g_next;
    }
    return text;
}

}  // namespace sin_cos::text
