#include "driver/tight_hint.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "envelope/build.hpp"
#include "envelope/tight/density.hpp"
#include "numeric/error.hpp"

namespace driver {

namespace {

double tight_table_loss(const envelope::answers& a, int n)
{
    const envelope::answers fewer = envelope::check_answers(a.H(), a.M(), a.xini(), a.xfin(), n);
    return envelope::build(fewer, envelope::mode::tight).table.loss;
}

// The staircase's area over the density's, less one, and back: a --tight loss
// is that excess enlarged by the margin.
double excess(double loss) { return (1 + loss / 100) / envelope::tight::margin - 1; }
double loss_of(double excess) { return 100 * (envelope::tight::margin * (1 + excess) - 1); }

}  // namespace

std::optional<tight_figure> tight_loss(const envelope::answers& checked)
{
    const int n = checked.n();
    try {
        if (n <= tight_built_whole_up_to) return tight_figure{tight_table_loss(checked, n), false};
        const int m = std::max(n / 64, 128);
        const double e1 = excess(tight_table_loss(checked, m));
        const double e2 = excess(tight_table_loss(checked, 2 * m));
        // A flat density has no excess at all: the power then does not matter.
        const double p = e1 > 0 && e2 > 0 ? std::clamp(std::log2(e1 / e2), 0.5, 1.0) : 1.0;
        return tight_figure{loss_of(std::max(e2, 0.0) * std::pow(2.0 * m / n, p)), true};
    } catch (const numeric::failure&) {
        return std::nullopt;
    }
}

std::optional<tight_figure> tight_loss_worth_telling(const envelope::answers& checked, double loss)
{
    if (!(loss >= 1)) return std::nullopt;
    const std::optional<tight_figure> tight = tight_loss(checked);
    if (tight && tight->loss * 10 <= loss) return tight;
    return std::nullopt;
}

std::string tight_note(const std::string& about, const tight_figure& tight, double loss)
{
    char line[256];
    std::snprintf(line, sizeof line, "!!! %sthis table loses %.3g%%: sin_cos --tight %s %.2g%%%s",
                  about.c_str(), loss, tight.estimated ? "would lose about" : "loses", tight.loss,
                  tight.estimated ? " (estimated from fewer bins, within 10%)" : "");
    return line;
}

void compare_with_tight(const envelope::answers& checked, double loss)
{
    if (const auto tight = tight_loss_worth_telling(checked, loss))
        std::fprintf(stderr, "%s\n", tight_note("", *tight, loss).c_str());
}

}  // namespace driver
