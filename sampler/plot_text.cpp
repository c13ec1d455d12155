#include <string>

#include "envelope/classic/density.hpp"
#include "envelope/classic/settings.hpp"
#include "number_text.hpp"
#include "sin_cos/build.hpp"
#include "sin_cos/table_text.hpp"

namespace sin_cos::text {

namespace {

// Three numbers of at most number_room characters, two spaces and a line end.
constexpr std::size_t plot_line = 3 * number_room + 3;

// The plot's lines, bin after bin, each edge's density computed once: every
// inner edge ends one bin and starts the next.
class plot_lines {
public:
    explicit plot_lines(const built& b)
        : b_(&b),
          n_(static_cast<int>(b.table.bins())),
          density_(envelope::for_density({b.table.H, b.table.M}, b.table.xini, b.table.xfin))
    {
    }

    std::size_t operator()(char* at, std::size_t room)
    {
        char* const start = at;
        char* const end = at + room;
        for (; bin_ < n_ && static_cast<std::size_t>(end - at) >= 2 * plot_line; ++bin_) {
            const double right = edge(bin_ + 1);
            const double g_right = envelope::g1(density_, right);
            const double f1 = b_->heights[static_cast<std::size_t>(bin_)];
            at = line(at, left_, g_left_, f1);
            at = line(at, right, g_right, f1);
            left_ = right;
            g_left_ = g_right;
        }
        return static_cast<std::size_t>(at - start);
    }

private:
    // The construction pinned the last edge; the table's is within rounding of it.
    double edge(int i) const
    {
        return i < n_ ? b_->table.edges[static_cast<std::size_t>(i)] : b_->last_edge;
    }

    static char* line(char* at, double x, double g, double f1)
    {
        at = put_fixed6(at, x);
        *at++ = ' ';
        at = put_fixed6(at, g);
        *at++ = ' ';
        at = put_fixed6(at, f1);
        *at++ = '\n';
        return at;
    }

    const built* b_;
    int n_;
    envelope::settings density_;
    int bin_ = 0;
    double left_ = edge(0);
    double g_left_ = envelope::g1(density_, left_);
};

}  // namespace

files::text_pieces plot_pieces(const built& b)
{
    const table& t = b.table;
    // A struct any code can fill: one that is not a build's would be read past its end.
    if (t.bins() == 0 || b.heights.size() != t.bins())
        throw error(errc::invalid_argument, "plot: a table of " + std::to_string(t.bins()) + " bins with " +
                                                std::to_string(b.heights.size()) + " heights is not a build's");
    return plot_lines(b);
}

std::string plot(const built& b) { return files::whole_text(plot_pieces(b)); }

}  // namespace sin_cos::text
