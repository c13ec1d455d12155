/* The sampler from C (C99): tables built in process or read from the file
 * sin_cos writes, and draws from them by the table's rejection method.
 *
 *     const sin_cos_law law = {.xini = -1.0, .xfin = 1.0, .H = 2.0, .M = 4};
 *     sin_cos_table *t = sin_cos_table_build(&law, 1000, SIN_COS_TIGHT);
 *     if (t == NULL) { fprintf(stderr, "%s\n", sin_cos_error()); exit(1); }
 *     sin_cos_rng *g = sin_cos_rng_new(12345);
 *     double x = sin_cos_draw(t, g);
 *     sin_cos_rng_free(g);
 *     sin_cos_free(t);
 *
 * Link with the flags of `pkg-config --cflags --libs sin_cos`. No function
 * fails by anything but its return value: those returning a pointer give NULL,
 * sin_cos_write -1, draws NaN (from a NULL table or generator, say), and
 * sin_cos_error() then tells why. Tables are
 * read-only once made and may be drawn from by several threads at once, each
 * with its own generator. */
#ifndef SIN_COS_H
#define SIN_COS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct sin_cos_table sin_cos_table;
typedef struct sin_cos_rng sin_cos_rng;

#if defined(__GNUC__) || defined(__clang__)
#define SIN_COS_DEPRECATED(replacement) __attribute__((deprecated("use " replacement)))
#else
#define SIN_COS_DEPRECATED(replacement)
#endif

/* The law of density x^M (1 - x^2)^((H-1)/2) on [xini, xfin], in the order
 * the tool asks for it: valid for -1 <= xini < xfin <= 1, a finite H > -1 and
 * an even M >= 0; a table is built for H >= 1. */
typedef struct sin_cos_law {
    double xini;
    double xfin;
    double H;
    int M;
} sin_cos_law;

/* How the envelope is calibrated: what sin_cos does by default, or
 * sin_cos --tight, the lowest loss n equal-area bins allow. */
typedef enum sin_cos_mode { SIN_COS_CLASSIC = 0, SIN_COS_TIGHT = 1 } sin_cos_mode;

/* The table sin_cos writes for the law and n, the same doubles; NULL where
 * the tool would stop (SIN_COS_REFUSED, SIN_COS_NUMERICAL) or for a NULL law. */
sin_cos_table *sin_cos_table_build(const sin_cos_law *law, int n, sin_cos_mode mode);

/* 2.x: the same with the law's values in another order, tight != 0 for
 * SIN_COS_TIGHT. */
SIN_COS_DEPRECATED("sin_cos_table_build")
sin_cos_table *sin_cos_build(double H, int M, double xini, double xfin, int n, int tight);

/* A table file written by sin_cos, checked; NULL for a file that cannot be
 * read or is not a table that can be sampled (the message names the line). */
sin_cos_table *sin_cos_load(const char *path);

/* Writes the table file byte for byte as sin_cos writes it: 0, or -1 on failure. */
int sin_cos_write(const sin_cos_table *t, const char *path);

void sin_cos_free(sin_cos_table *t); /* NULL is allowed */

/* Sets of laws: a table file holds one or more histograms of n bins each
 * (sin_cos_load refuses a file of several, saying how many it holds). The
 * functions returning a set give an array of *count tables, each one a table
 * as above; sin_cos_free_tables frees them and the array (the array alone is
 * malloc'd memory: free() releases it and leaves the tables to the caller).
 * NULL on failure, *count then 0. */

/* Every histogram of a table file, in order. */
sin_cos_table **sin_cos_load_tables(const char *path, size_t *count);

/* Histogram `index` (from 0) of a table file. */
sin_cos_table *sin_cos_load_histogram(const char *path, size_t index);

/* The count tables of laws[0..count-1] with n bins each, built side by side
 * on every core; NULL where the tool would stop for one of them,
 * sin_cos_error() naming the first such law in order ("law 2 (...): "). */
sin_cos_table **sin_cos_tables_build(const sin_cos_law *laws, size_t count, int n, sin_cos_mode mode);

/* 2.x: the same from parallel arrays (H[k], M[k], xini[k], xfin[k]). */
SIN_COS_DEPRECATED("sin_cos_tables_build")
sin_cos_table **sin_cos_build_tables(size_t count, const double *H, const int *M, const double *xini,
                                     const double *xfin, int n, int tight);

/* One table file of the count tables in order under one banner, each
 * histogram as sin_cos_write writes it; they must have the same number of
 * bins. 0, or -1 on failure (the file is then as it was). */
int sin_cos_write_tables(sin_cos_table *const *tables, size_t count, const char *path);

void sin_cos_free_tables(sin_cos_table **tables, size_t count); /* NULL is allowed */

/* Why this thread's last failing call failed: the tool's message for a build,
 * the file and line for a load. "" before any failure. The string belongs to
 * the library and is this thread's own: it stays valid and unchanged until
 * this thread's next failing call of this interface, or until the thread
 * ends (successful calls leave it alone); copy it to keep it longer. Never
 * free it. */
const char *sin_cos_error(void);

/* The kind of this thread's last failure, from the one vocabulary of every
 * interface (C++'s sin_cos::errc, of the same values): a refused law or n, a
 * numerical failure (no sound table included), a table file that is not a
 * table or that cannot be drawn from, a file that cannot be read or written
 * (a missing file, a directory), an invalid argument (NULL, an index past the
 * last histogram, no law), too little memory; SIN_COS_OTHER for anything else.
 * SIN_COS_NO_ERROR before any failure. */
typedef enum sin_cos_error_kind {
    SIN_COS_NO_ERROR = 0,
    SIN_COS_REFUSED,
    SIN_COS_NUMERICAL,
    SIN_COS_MALFORMED,
    SIN_COS_UNSOUND,
    SIN_COS_IO,
    SIN_COS_INVALID,
    SIN_COS_NO_MEMORY,
    SIN_COS_OTHER
} sin_cos_error_kind;

sin_cos_error_kind sin_cos_last_error_kind(void);

/* The law's exact functions: the normalised density (0 outside [xini, xfin])
 * and its logarithm (-inf there), the distribution and survival functions
 * (each to a relative 1e-14 wherever it exceeds 1e-300, the survival function
 * computed directly, never as 1 - cdf), the raw moments E[X^k], the mean and
 * the variance; for every valid law (-1 <= xini < xfin <= 1, finite H > -1,
 * even M >= 0). An invalid law gives NaN, the kind SIN_COS_REFUSED and a
 * message naming the value. Each call computes the law's normalising
 * integral (a few microseconds): the _array forms compute it once for count
 * points, x and out may be the same array, and they return 0, or -1 (out
 * untouched) on failure. */
double sin_cos_pdf(const sin_cos_law *law, double x);
double sin_cos_logpdf(const sin_cos_law *law, double x);
double sin_cos_cdf(const sin_cos_law *law, double x);
double sin_cos_sf(const sin_cos_law *law, double x);
double sin_cos_moment(const sin_cos_law *law, int k);
double sin_cos_mean(const sin_cos_law *law);
double sin_cos_variance(const sin_cos_law *law);
int sin_cos_pdf_array(const sin_cos_law *law, const double *x, double *out, size_t count);
int sin_cos_logpdf_array(const sin_cos_law *law, const double *x, double *out, size_t count);
int sin_cos_cdf_array(const sin_cos_law *law, const double *x, double *out, size_t count);
int sin_cos_sf_array(const sin_cos_law *law, const double *x, double *out, size_t count);

/* The table: H and M of the density x^M (1 - x^2)^((H-1)/2), the interval,
 * the loss (excess area of the envelope, percent), the common bin area a, and
 * the bins + 1 edges (the last one is xfin), valid while t lives. */
double sin_cos_H(const sin_cos_table *t);
int sin_cos_M(const sin_cos_table *t);
double sin_cos_xini(const sin_cos_table *t);
double sin_cos_xfin(const sin_cos_table *t);
double sin_cos_loss(const sin_cos_table *t);
double sin_cos_area(const sin_cos_table *t);
size_t sin_cos_bins(const sin_cos_table *t);

/* The table's law (all NaN and M = -1 for a NULL table). */
sin_cos_law sin_cos_table_law(const sin_cos_table *t);
const double *sin_cos_edges(const sin_cos_table *t);

/* std::mt19937_64 seeded with seed: with a table, the same draws as C++'s
 * sin_cos::distribution on std::mt19937_64(seed), and Fortran's. */
sin_cos_rng *sin_cos_rng_new(uint64_t seed);
void sin_cos_rng_free(sin_cos_rng *g); /* NULL is allowed */

/* The engine's next 64-bit output, for the simulation's other random numbers. */
uint64_t sin_cos_rng_next(sin_cos_rng *g);

double sin_cos_draw(const sin_cos_table *t, sin_cos_rng *g);
/* count draws, those of as many sin_cos_draw calls, and g left where they
 * leave it; faster on a large table, whose next bins it fetches ahead. */
void sin_cos_fill(const sin_cos_table *t, sin_cos_rng *g, double *out, size_t count);

/* A draw from the caller's own generator of 64-bit words. Every proposal
 * calls word(state) exactly twice: the first word gives the bin and the point
 * in it, the second the height under the bin; a draw makes on average
 * 1 + loss/100 proposals. With successive sin_cos_rng_next outputs the draws
 * are those of sin_cos_draw. */
double sin_cos_draw_with(const sin_cos_table *t, uint64_t (*word)(void *state), void *state);

#ifdef __cplusplus
}
#endif

#endif
