// The C interface's quantile over law::quantile; failures are recorded where
// sin_cos_error() finds them.
#include <cstdint>
#include <limits>
#include <new>
#include <span>

#include "envelope/law/quantile.hpp"
#include "numeric/error.hpp"
#include "sin_cos/sin_cos_quantile.h"

struct sin_cos_quantile {
    law::quantile q;
};

namespace sin_cos_c {
void record_failure(sin_cos_error_kind kind, const char* message) noexcept;  // sin_cos.cpp
}

namespace {

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

}  // namespace

sin_cos_quantile* sin_cos_quantile_new(double xini, double xfin, double H, int M, double resolution)
{
    try {
        return new sin_cos_quantile{law::quantile(xini, xfin, H, M, resolution == 0 ? 1e-12 : resolution)};
    } catch (const numeric::failure& f) {
        sin_cos_c::record_failure(f.kind() == numeric::failure_kind::refused ? SIN_COS_REFUSED : SIN_COS_NUMERICAL,
                                  f.what());
    } catch (const std::bad_alloc&) {
        sin_cos_c::record_failure(SIN_COS_NO_MEMORY, "out of memory");
    } catch (const std::exception& e) {
        sin_cos_c::record_failure(SIN_COS_OTHER, e.what());
    }
    return nullptr;
}

void sin_cos_quantile_free(sin_cos_quantile* q) { delete q; }

double sin_cos_quantile_ppf(const sin_cos_quantile* q, double u) { return q ? q->q.ppf(u) : not_a_number; }

int sin_cos_quantile_ppf_array(const sin_cos_quantile* q, const double* u, double* x, size_t count)
{
    if (count == 0) return 0;
    if (!q || !u || !x) {
        sin_cos_c::record_failure(SIN_COS_INVALID, "sin_cos_quantile_ppf_array: a NULL quantile or array");
        return -1;
    }
    q->q.ppf(std::span<const double>(u, count), std::span<double>(x, count));
    return 0;
}

double sin_cos_quantile_draw(const sin_cos_quantile* q, sin_cos_rng* g)
{
    if (!q || !g) return not_a_number;
    return q->q.ppf(law::quantile::uniform(sin_cos_rng_next(g)));
}

sin_cos_u_error sin_cos_quantile_u_error(const sin_cos_quantile* q)
{
    if (!q) return {not_a_number, not_a_number, not_a_number, not_a_number};
    const law::u_error_bound e = q->q.u_error();
    return {e.resolution, e.bound, e.jump, e.where};
}
