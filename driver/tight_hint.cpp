#include "driver/tight_hint.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "envelope/build.hpp"
#include "envelope/soundness.hpp"
#include "envelope/tight/tight.hpp"
#include "numeric/error.hpp"

namespace driver {

namespace {

// The --tight construction alone: the default build of the same answers has
// already scanned the density for negative values, which costs a small table
// as much as its whole construction. The table of n bins itself must also
// pass the reader's test, or --tight would not write it.
double tight_table_loss(const envelope::answers& a, int n, bool whole)
{
    const envelope::built t = envelope::build_tight(a.H(), a.M(), a.xini(), a.xfin(), n, nullptr);
    if (whole && envelope::table_fault(a.H(), a.M(), a.xini(), a.xfin(), t.table.edges.data(), t.table.a,
                                       t.table.loss, n)) {
        numeric::fail(numeric::failure_kind::numerical, false, "no sound --tight table");
    }
    return t.table.loss;
}

// The staircase's area over the density's, less one, and back: a --tight loss
// is that excess enlarged by the margin.
double excess(double loss) { return (1 + loss / 100) / envelope::margin - 1; }
double loss_of(double excess) { return 100 * (envelope::margin * (1 + excess) - 1); }

}  // namespace

std::optional<tight_figure> tight_loss(const envelope::answers& checked)
{
    const int n = checked.n();
    try {
        if (n <= tight_built_whole_up_to) return tight_figure{tight_table_loss(checked, n, true), false};
        const int m = std::max(n / 64, 128);
        const double e1 = excess(tight_table_loss(checked, m, false));
        const double e2 = excess(tight_table_loss(checked, 2 * m, false));
        // A flat density has no excess at all: the power then does not matter.
        const double p = e1 > 0 && e2 > 0 ? std::clamp(std::log2(e1 / e2), 0.5, 1.0) : 1.0;
        return tight_figure{loss_of(std::max(e2, 0.0) * std::pow(2.0 * m / n, p)), true};
    } catch (const numeric::failure&) {
        return std::nullopt;
    }
}

namespace {

bool worth_telling(const std::optional<tight_figure>& tight, double loss)
{
    return loss >= 1 && tight && tight->loss * 10 <= loss;
}

}  // namespace

std::optional<tight_figure> tight_loss_worth_telling(const envelope::answers& checked, double loss)
{
    if (!(loss >= 1)) return std::nullopt;
    const std::optional<tight_figure> tight = tight_loss(checked);
    if (worth_telling(tight, loss)) return tight;
    return std::nullopt;
}

tight_figure_ahead::tight_figure_ahead(const envelope::answers& checked) : checked_(checked)
{
    try {
        ahead_ = std::async(std::launch::async, [checked] { return tight_loss(checked); });
    } catch (const std::system_error&) {
        // No thread: the figure is built when it is asked for.
    }
}

tight_figure_ahead::~tight_figure_ahead()
{
    if (ahead_.valid()) ahead_.wait();
}

std::optional<tight_figure> tight_figure_ahead::figure()
{
    return ahead_.valid() ? ahead_.get() : tight_loss(checked_);
}

std::optional<tight_figure> tight_figure_ahead::worth_telling(double loss)
{
    if (!(loss >= 1)) return std::nullopt;
    const std::optional<tight_figure> tight = figure();
    if (driver::worth_telling(tight, loss)) return tight;
    return std::nullopt;
}

std::string tight_note(const std::string& about, const tight_figure& tight, double loss)
{
    char line[256];
    std::snprintf(line, sizeof line, "!!! %sthis table loses %.3g%%: sin_cos --tight %s %.2g%%%s",
                  about.c_str(), loss, tight.estimated ? "would lose about" : "loses", tight.loss,
                  tight.estimated ? " (estimated from fewer bins, to within a third)" : "");
    return line;
}


}  // namespace driver
