#include "envelope/soundness.hpp"

#include <cstdio>
#include <cstdlib>
#include <vector>


namespace envelope {

double stored_loss(double loss)
{
    char text[400];
    std::snprintf(text, sizeof text, "%f", loss);
    return std::strtod(text, nullptr);
}

bool table_is_sound(double H, int M, double xini, double xfin, const double x[], double a, double loss,
                    double factor, int n, std::string* why)
{
    if (!(factor <= max_sound_factor)) {
        char text[120];
        std::snprintf(text, sizeof text, "correction factor %g exceeds 2: the calibration missed its target", factor);
        *why = text;
        return false;
    }
    return table_is_valid(H, M, xini, xfin, x, a, loss, n, why);
}

bool table_is_valid(double H, int M, double xini, double xfin, const double x[], double a, double loss, int n,
                    std::string* why)
{
    const auto fault = table_fault(H, M, xini, xfin, x, a, loss, n);
    if (fault) *why = fault->what;
    return !fault;
}

std::optional<sin_cos::detail::fault> table_fault(double H, int M, double xini, double xfin, const double x[], double a,
                                      double loss, int n)
{
    std::vector<double> edges(x, x + n);
    edges.push_back(xfin);
    const sin_cos::detail::stored_table stored{H, M, xini, xfin, stored_loss(loss), a, edges.data(),
                                   static_cast<std::size_t>(n)};
    return sin_cos::detail::soundness_fault(stored);
}

}  // namespace envelope
