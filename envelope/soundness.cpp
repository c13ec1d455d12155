#include "envelope/soundness.hpp"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "envelope/law/soundness.hpp"
#include "numeric/digits.hpp"

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
        *why = "correction factor " + numeric::shortest(factor) + " exceeds 2: the calibration missed its target";
        return false;
    }
    return table_is_valid(H, M, xini, xfin, x, a, loss, n, why);
}

bool table_is_valid(double H, int M, double xini, double xfin, const double x[], double a, double loss, int n,
                    std::string* why)
{
    std::vector<double> edges(x, x + n);
    edges.push_back(xfin);
    const law::stored_table stored{H, M, xini, xfin, stored_loss(loss), a, edges.data(),
                                   static_cast<std::size_t>(n)};
    const auto fault = law::soundness_fault(stored);
    if (fault) *why = fault->what;
    return !fault;
}

}  // namespace envelope
