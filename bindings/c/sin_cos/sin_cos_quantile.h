/* The law's quantile from C (C99): x = F^-1(u) of x^M (1 - x^2)^((H-1)/2) on
 * [xini, xfin], one uniform a draw, non-decreasing in u: for quasi-Monte
 * Carlo, common random numbers, and laws no rejection table covers (H in
 * (-1, 1), unbounded at +-1).
 *
 *     const sin_cos_law law = {.xini = -1.0, .xfin = 1.0, .H = 0.5, .M = 2};
 *     sin_cos_quantile *q = sin_cos_quantile_new(&law, 1e-12);
 *     if (q == NULL) { fprintf(stderr, "%s\n", sin_cos_error()); exit(1); }
 *     double x = sin_cos_quantile_ppf(q, 0.3);
 *     sin_cos_quantile_ppf_array(q, u, x_out, count);
 *     sin_cos_quantile_free(q);
 *
 * A quantile is read-only once made: several threads may use one at once.
 * Failures are told as the rest of the interface tells them (sin_cos_error(),
 * sin_cos_last_error_kind()). */
#ifndef SIN_COS_QUANTILE_H
#define SIN_COS_QUANTILE_H

#include <stddef.h>

#include "sin_cos.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct sin_cos_quantile sin_cos_quantile;

/* The quantile of the law to the u-resolution asked (in [1e-14, 1e-6]; 0 for
 * the default 1e-12); NULL for a NULL law (SIN_COS_INVALID), a law outside
 * H > -1, M even >= 0, -1 <= xini < xfin <= 1 (SIN_COS_REFUSED), a resolution
 * outside that range (SIN_COS_INVALID), or where the resolution cannot be
 * reached (SIN_COS_NUMERICAL, naming the law and the resolution reached). */
sin_cos_quantile *sin_cos_quantile_new(const sin_cos_law *law, double resolution);
void sin_cos_quantile_free(sin_cos_quantile *q); /* NULL is allowed */

/* x = F^-1(u) for u in [0, 1]: xini at 0, xfin at 1, NaN outside or for a
 * NULL quantile. */
double sin_cos_quantile_ppf(const sin_cos_quantile *q, double u);

/* x[i] = F^-1(u[i]) for i < count (x may be u): 0, or -1 for a NULL
 * argument. */
int sin_cos_quantile_ppf_array(const sin_cos_quantile *q, const double *u, double *x, size_t count);

/* A draw by inversion from one word of g: u = (w >> 11) 2^-53, a stream of
 * its own (not sin_cos_draw's from the same generator); C++'s
 * law::quantile::draw on the same std::mt19937_64. */
double sin_cos_quantile_draw(const sin_cos_quantile *q, sin_cos_rng *g);

/* What the quantile promises: |F(ppf(u)) - u| <= bound = max(resolution,
 * jump), jump the largest cdf step between adjacent doubles found where no
 * double meets the resolution (0 if none), starting at the double `where`
 * (NaN if none): near +-1 for H below about 0.5, on intervals a few doubles
 * wide. All NaN for a NULL quantile. */
typedef struct sin_cos_u_error {
    double resolution, bound, jump, where;
} sin_cos_u_error;
sin_cos_u_error sin_cos_quantile_u_error(const sin_cos_quantile *q);

#ifdef __cplusplus
}
#endif

#endif
