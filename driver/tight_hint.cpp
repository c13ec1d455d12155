#include "driver/tight_hint.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "sin_cos/build.hpp"
#include "sin_cos/error.hpp"

namespace driver {

namespace {

// The --tight table of n bins, as --tight would write it: it must pass the
// reader's test, or --tight would not write it.
double tight_table_loss(const sin_cos::law& law, int n)
{
    return sin_cos::build_table(law, n, sin_cos::mode::tight).loss;
}

// The staircase's area over the density's, less one, and back: a --tight loss
// is that excess enlarged by the margin.
double excess(double loss) { return (1 + loss / 100) / sin_cos::margin - 1; }
double loss_of(double excess) { return 100 * (sin_cos::margin * (1 + excess) - 1); }

}  // namespace

std::optional<tight_figure> tight_loss(const sin_cos::law& law, int n)
{
    try {
        if (n <= tight_built_whole_up_to) return tight_figure{tight_table_loss(law, n), false};
        const int m = std::max(n / 64, 128);
        const double e1 = excess(tight_table_loss(law, m));
        const double e2 = excess(tight_table_loss(law, 2 * m));
        // A flat density has no excess at all: the power then does not matter.
        const double p = e1 > 0 && e2 > 0 ? std::clamp(std::log2(e1 / e2), 0.5, 1.0) : 1.0;
        return tight_figure{loss_of(std::max(e2, 0.0) * std::pow(2.0 * m / n, p)), true};
    } catch (const sin_cos::error&) {
        return std::nullopt;
    }
}

namespace {

bool worth_telling(const std::optional<tight_figure>& tight, double loss)
{
    return loss >= 1 && tight && tight->loss * 10 <= loss;
}

}  // namespace

std::optional<tight_figure> tight_loss_worth_telling(const sin_cos::law& law, int n, double loss)
{
    if (!(loss >= 1)) return std::nullopt;
    // The built figure is no less than a floor that costs a hundredth of its
    // build: where the floor is more than a tenth of the loss, no note. (An
    // estimated figure may fall below the built one, and its floor.)
    if (n <= tight_built_whole_up_to && !sin_cos::tight_may_lose_at_most(law, n, loss / 10)) return std::nullopt;
    const std::optional<tight_figure> tight = tight_loss(law, n);
    if (worth_telling(tight, loss)) return tight;
    return std::nullopt;
}

tight_figure_ahead::tight_figure_ahead(const sin_cos::law& law, int n) : law_(law), n_(n)
{
    try {
        ahead_ = std::async(std::launch::async, [law, n] { return tight_loss(law, n); });
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
    return ahead_.valid() ? ahead_.get() : tight_loss(law_, n_);
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
