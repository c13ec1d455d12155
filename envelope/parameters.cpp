#include "envelope/parameters.hpp"

#include <cmath>

#include "numeric/digits.hpp"
#include "numeric/error.hpp"

namespace envelope {

void refuse_bad_parameters(int n, double xini, double xfin)
{
    if (n < 1 || n > max_bins) numeric::refuse("!!! n=%d must be between 1 and %d", n, max_bins);
    const bool finite = std::isfinite(xini) && std::isfinite(xfin);
    if (!finite || !(-1 <= xini && xini < xfin && xfin <= 1)) {
        numeric::refuse("!!! xini=%s, xfin=%s: the interval must satisfy -1 <= xini < xfin <= 1",
                        numeric::shortest(xini).c_str(), numeric::shortest(xfin).c_str());
    }
}

void refuse_bad_exponents(double H, int M)
{
    // The dialogue lets none of these through; a build in process may see them.
    if (M & 1) numeric::refuse("M=%d must be a multiple of 2", M);
    if (M < 0) numeric::refuse("M=%d must be even and >= 0", M);
    if (H < 1) numeric::refuse("H=%f must be >=1", H);
    if (!std::isfinite(H)) numeric::refuse("H=%f must be a finite number >= 1", H);
}

void refuse_bad_answers(double H, int M, double xini, double xfin, int n)
{
    refuse_bad_parameters(n, xini, xfin);
    refuse_bad_exponents(H, M);
}

answers check_answers(double H, int M, double xini, double xfin, int n)
{
    refuse_bad_answers(H, M, xini, xfin, n);
    return answers(H, M, xini, xfin, n);
}

double density_step_drop(double H) { return (H - 1) * 0x1p-54; }

void refuse_unevaluable_H(double H)
{
    const double drop = density_step_drop(H);
    if (drop > max_step_drop) {
        numeric::fatal("no sound table: H=%s is too large, the density drops by %.3g%% between neighbouring doubles "
                       "near 0, where the doubles no longer follow its shape",
                       numeric::shortest(H).c_str(), -std::expm1(-drop) * 100);
    }
}

}  // namespace envelope
