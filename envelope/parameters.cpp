#include "envelope/parameters.hpp"

#include <cmath>

#include "numeric/digits.hpp"
#include "numeric/error.hpp"
#include "sin_cos/law.hpp"

namespace envelope {

// The law's own rules, from its one validator; the interval and n are shown
// as a complaint about the answers, as the tool always showed them.
void refuse_bad_parameters(int n, double xini, double xfin)
{
    if (!sin_cos::valid_bins(n)) numeric::fail(numeric::failure_kind::refused, true, "n=%d must be between 1 and %d", n, max_bins);
    const sin_cos::law l{xini, xfin, 1, 0};
    if (sin_cos::fault_of(l, true) == sin_cos::law_fault::interval)
        numeric::fail(numeric::failure_kind::refused, true, "%s", sin_cos::fault_message(l, sin_cos::law_fault::interval, true).c_str());
}

void refuse_bad_exponents(double H, int M)
{
    // The dialogue lets none of these through; a build in process may see them.
    const sin_cos::law l{-1, 1, H, M};
    const sin_cos::law_fault fault = sin_cos::fault_of(l, true);
    if (fault != sin_cos::law_fault::none) numeric::refuse("%s", sin_cos::fault_message(l, fault, true).c_str());
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
