#include "sin_cos/law.hpp"

#include <cmath>
#include <cstdio>

#include "envelope/law/distribution_functions.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"
#include "sin_cos/error.hpp"
#include "envelope/law/library_terms.hpp"

namespace sin_cos {

law_fault fault_of(const law& l, bool for_table) noexcept
{
    const bool finite = std::isfinite(l.xini) && std::isfinite(l.xfin);
    if (!finite || !(-1 <= l.xini && l.xini < l.xfin && l.xfin <= 1)) return law_fault::interval;
    if (l.M & 1) return law_fault::odd_M;
    if (l.M < 0) return law_fault::negative_M;
    if (for_table ? l.H < 1 : !(l.H > -1) && !std::isnan(l.H)) return law_fault::low_H;
    if (!std::isfinite(l.H)) return law_fault::infinite_H;
    return law_fault::none;
}

std::string fault_message(const law& l, law_fault fault, bool for_table)
{
    const std::string H = numeric::shortest(l.H);
    const std::string bound = for_table ? ">= 1" : "> -1";
    switch (fault) {
    case law_fault::none:
        return "";
    case law_fault::interval:
        return "xini=" + numeric::shortest(l.xini) + ", xfin=" + numeric::shortest(l.xfin) +
               ": the interval must satisfy -1 <= xini < xfin <= 1";
    case law_fault::odd_M:
        return "M=" + std::to_string(l.M) + " must be a multiple of 2";
    case law_fault::negative_M:
        return "M=" + std::to_string(l.M) + " must be even and >= 0";
    case law_fault::low_H:
        if (for_table) {
            // The tool's own words since its first release, H in "%f".
            char text[64];
            std::snprintf(text, sizeof text, "H=%f must be >=1", l.H);
            return text;
        }
        return "H=" + H + " must be a finite number " + bound;
    case law_fault::infinite_H:
        return "H=" + H + " must be a finite number " + bound;
    }
    return "";
}

void validate(const law& l, bool for_table)
{
    const law_fault fault = fault_of(l, for_table);
    if (fault != law_fault::none) throw error(errc::refused, fault_message(l, fault, for_table));
}

void validate_build(const law& l, int n)
{
    if (!valid_bins(n))
        throw error(errc::refused, "n=" + std::to_string(n) + " must be between 1 and " + std::to_string(max_bins));
    validate(l, true);
}



law_functions::law_functions(const sin_cos::law& l)
    : law_(l), f_((validate(l), detail::in_library_terms([&] { return std::make_shared<const detail::law_functions>(l.xini, l.xfin, l.H, l.M); })))
{
}

double law_functions::pdf(double x) const { return detail::in_library_terms([&] { return f_->pdf(x); }); }
double law_functions::logpdf(double x) const { return detail::in_library_terms([&] { return f_->logpdf(x); }); }
double law_functions::cdf(double x) const { return detail::in_library_terms([&] { return f_->cdf(x); }); }
double law_functions::sf(double x) const { return detail::in_library_terms([&] { return f_->sf(x); }); }
double law_functions::moment(int k) const { return detail::in_library_terms([&] { return f_->moment(k); }); }
double law_functions::variance() const { return detail::in_library_terms([&] { return f_->variance(); }); }

}  // namespace sin_cos
