/* The sampler from C (C99): tables built in process or read from the file
 * sin_cos writes, and draws from them by the table's rejection method.
 *
 *     sin_cos_table *t = sin_cos_build(2.0, 4, -1.0, 1.0, 1000, 1);
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

/* The table sin_cos (with tight != 0: sin_cos --tight) writes for the answers
 * xini, xfin, H, M, n, the same doubles; NULL where the tool would stop. */
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

/* The tables of count laws (H[k], M[k], xini[k], xfin[k]) with n bins each,
 * built side by side on every core; NULL where the tool would stop for one of
 * them, sin_cos_error() naming the first such law in order ("law 2 (...): "). */
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
 * interface: a refused answer, a numerical failure (no sound table included),
 * a table file that is not a table or that cannot be drawn from, a file that
 * cannot be read or written; and, for C alone, a NULL or out-of-range
 * argument, too little memory, or anything else. SIN_COS_NO_ERROR before any
 * failure. */
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

/* The exit status sin_cos would give for this thread's last failed build: 1
 * for a numerical failure, 255 for a refused parameter; 0 when the last
 * failure was not a refusal by the tool (out of memory, a load). */
int sin_cos_build_status(void);

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
const double *sin_cos_edges(const sin_cos_table *t);

/* std::mt19937_64 seeded with seed: with a table, the same draws as C++'s
 * sampler::sin_cos_distribution on std::mt19937_64(seed), and Fortran's. */
sin_cos_rng *sin_cos_rng_new(uint64_t seed);
void sin_cos_rng_free(sin_cos_rng *g); /* NULL is allowed */

/* The engine's next 64-bit output, for the simulation's other random numbers. */
uint64_t sin_cos_rng_next(sin_cos_rng *g);

double sin_cos_draw(const sin_cos_table *t, sin_cos_rng *g);
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
