#include "envelope/law/soundness.hpp"

#include <cmath>
#include <cstdio>

#include "envelope/law/shape.hpp"
#include "numeric/digits.hpp"
#include "sin_cos/law.hpp"

namespace sin_cos::detail {

namespace {

std::string show(double v) { return numeric::shortest(v); }

std::string roughly(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2g", v);
    return text;
}

std::optional<fault> malformed(int line, std::string what) { return fault{true, line, std::move(what)}; }
std::optional<fault> unsound(int line, std::string what) { return fault{false, line, std::move(what)}; }

std::optional<fault> envelope_fault(const stored_table& t)
{
    for (std::size_t i = 0; i < t.n; ++i) {
        const double x0 = t.edges[i];
        const double x1 = t.edges[i + 1];
        const double height = t.a / (x1 - x0);
        const double top = shape{t.H, t.M}.maximum(x0, x1);
        if (!std::isfinite(height) || !(height >= top)) {
            return unsound(first_edge_line + static_cast<int>(i),
                           "bin " + std::to_string(i) + " on [" + show(x0) + ", " + show(x1) + "] has height " +
                               show(height) + ", below the density's maximum " + show(top) + " on it");
        }
    }
    return std::nullopt;
}

std::optional<fault> rate_fault(const stored_table& t)
{
    const double x0 = t.edges[0];
    const double x1 = t.edges[t.n];
    const double total = shape{t.H, t.M}.integral(x0, x1, shape::soundness_accuracy);
    const std::string where = " over [" + show(x0) + ", " + show(x1) + "]";
    if (!(total > 0) || !std::isfinite(total)) {
        return unsound(header_line, "the density's integral" + where + " is " + show(total) +
                                        " in doubles: nothing can be drawn from it");
    }
    const double area = static_cast<double>(t.n) * t.a;
    const double rate = total / area;
    if (!(rate >= min_acceptance)) {
        auto f = unsound(header_line, "the acceptance rate " + show(rate) + " (the density's integral" + where +
                                          " over n a) is below " + show(min_acceptance) +
                                          ": a draw would take about " + roughly(1 / rate) + " proposals");
        f->slow_rate = rate;
        return f;
    }
    return std::nullopt;
}

}  // namespace

std::optional<fault> soundness_fault(const stored_table& t)
{
    const std::size_t n = t.n;
    if (n < 1) return malformed(header_line, "the table has no bins");
    const sin_cos::law l{t.xini, t.xfin, t.H, t.M};
    const sin_cos::law_fault rule = sin_cos::fault_of(l, true);
    if (rule != sin_cos::law_fault::none) return malformed(header_line, sin_cos::fault_message(l, rule, true));
    if (!std::isfinite(t.loss)) return malformed(header_line, "the loss is not a number");
    if (!(t.a > 0 && std::isfinite(t.a))) return unsound(header_line, "the bin area a = " + show(t.a) + " is not positive");

    for (std::size_t i = 0; i < n; ++i) {
        const int line = first_edge_line + static_cast<int>(i);
        if (!std::isfinite(t.edges[i])) return malformed(line, "the edge is not a finite number");
        if (i == 0 && std::fabs(t.edges[0] - t.xini) > header_rounding)
            return malformed(line, "the first edge " + show(t.edges[0]) + " is not xini = " + show(t.xini));
        if (i + 1 < n && !(t.edges[i + 1] > t.edges[i]))
            return unsound(line + 1, "the edges do not increase: " + show(t.edges[i + 1]) + " follows " +
                                         show(t.edges[i]) + " (line " + std::to_string(line) + ")");
    }
    if (std::fabs(t.edges[n] - t.xfin) > header_rounding)
        return malformed(header_line, "the last bin ends at " + show(t.edges[n]) + ", not at xfin = " + show(t.xfin));
    if (!(t.edges[n] > t.edges[n - 1]))
        return malformed(header_line, "xfin = " + show(t.edges[n]) + " does not exceed the last edge " +
                                          show(t.edges[n - 1]) + " (line " +
                                          std::to_string(first_edge_line + static_cast<int>(n) - 1) + ")");
    if (auto f = envelope_fault(t)) return f;
    return rate_fault(t);
}

}  // namespace sin_cos::detail
