// The C interface's quantile over sin_cos::quantile; failures are recorded
// where sin_cos_error() finds them.
#include <cstdint>
#include <limits>
#include <new>
#include <span>

#include "sin_cos/error.hpp"
#include "sin_cos/quantile.hpp"
#include "sin_cos/sin_cos_quantile.h"

struct sin_cos_quantile {
    sin_cos::quantile q;
};

namespace sin_cos_c {
void record_failure(sin_cos_error_kind kind, const char* message) noexcept;  // sin_cos.cpp
sin_cos_error_kind kind_of(sin_cos::errc kind) noexcept;                      // sin_cos.cpp
}

namespace {

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

}  // namespace

sin_cos_quantile* sin_cos_quantile_new(const sin_cos_law* law, double resolution)
{
    if (!law) {
        sin_cos_c::record_failure(SIN_COS_INVALID, "sin_cos_quantile_new: the law is NULL");
        return nullptr;
    }
    try {
        const sin_cos::law l{law->xini, law->xfin, law->H, law->M};
        return new sin_cos_quantile{sin_cos::quantile(l, resolution == 0 ? 1e-12 : resolution)};
    } catch (const sin_cos::error& e) {
        sin_cos_c::record_failure(sin_cos_c::kind_of(e.kind()), e.what());
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
    return q->q.ppf(sin_cos::quantile::uniform(sin_cos_rng_next(g)));
}

sin_cos_u_error sin_cos_quantile_u_error(const sin_cos_quantile* q)
{
    if (!q) return {not_a_number, not_a_number, not_a_number, not_a_number};
    const sin_cos::u_error_bound e = q->q.u_error();
    return {e.resolution, e.bound, e.jump, e.where};
}
