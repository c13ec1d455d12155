#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "envelope/classic/density.hpp"
#include "envelope/classic/settings.hpp"
#include "number_text.hpp"
#include "sin_cos/build.hpp"
#include "sin_cos/table_text.hpp"

namespace sin_cos::text {

namespace {

// The most characters "%f" takes for any of the values: a sign, the digits
// before the point, the point and six decimals.
std::size_t fixed6_width(const std::vector<double>& values)
{
    double most = 0.0;
    for (const double v : values) {
        if (!std::isfinite(v)) return number_room;
        most = std::max(most, std::fabs(v));
    }
    if (most >= 1e18) return number_room;
    std::size_t digits = 1;
    // One more for the rounding of the sixth decimal, which can carry.
    for (double bound = 10.0; most + 1.0 >= bound; bound *= 10.0) ++digits;
    return 1 + digits + 7;
}

}  // namespace

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
    // Every inner edge ends one bin and starts the next: its density is computed once.
    std::vector<double> g(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) g[i] = envelope::g1(density, x[i]);
    const double* f1 = b.heights.data();
    const std::size_t line = fixed6_width(x) + fixed6_width(g) + fixed6_width(b.heights) + 3;
    std::string text(static_cast<std::size_t>(n) * 2 * line, '\0');
    char* at = text.data();
    for (int i = 0; i < n; ++i) {
        for (int end = i; end <= i + 1; ++end) {
            at = put_fixed6(at, x[end]);
            *at++ = ' ';
            at = put_fixed6(at, g[end]);
            *at++ = ' ';
            at = put_fixed6(at, f1[i]);
            *at++ = '\n';
        }
    }
    text.resize(static_cast<std::size_t>(at - text.data()));
    return text;
}

}  // namespace sin_cos::text
