/* The C interface: the pinned stream, failures as NULL and a message, the
 * table file written and read back, draws from the caller's uniforms.
 *     c_test KNOWN_DRAWS WORK_DIR */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <sin_cos/sin_cos.h>
#include <sin_cos/sin_cos_quantile.h>

static int failures = 0;

#define CHECK(cond, ...)                                             \
    do {                                                             \
        if (!(cond)) {                                               \
            ++failures;                                              \
            fprintf(stderr, "%s:%d: %s: ", __FILE__, __LINE__, #cond); \
            fprintf(stderr, __VA_ARGS__);                            \
            fputc('\n', stderr);                                     \
        }                                                            \
    } while (0)

static void cut_after_fields(char *line, int fields)
{
    for (; *line != '\0'; ++line) {
        if (*line == ' ' && --fields == 0) {
            *line = '\0';
            return;
        }
    }
}

/* known_draws.txt: "H M xini xfin n mode seed k value", the k-th draw (from 1). */
static int known_draws(const char *path)
{
    FILE *in = fopen(path, "r");
    char line[256], key[256] = "", mode[16];
    double H, xini, xfin, value, filled[8];
    int M, n, k, lines = 0;
    unsigned long long seed;
    sin_cos_table *t = NULL;
    sin_cos_rng *g = NULL;
    if (in == NULL) return fprintf(stderr, "cannot open %s\n", path), 0;
    while (fgets(line, sizeof line, in) != NULL) {
        ++lines;
        if (sscanf(line, "%lf %d %lf %lf %d %15s %llu %d %lf", &H, &M, &xini, &xfin, &n, mode, &seed, &k, &value) != 9
            || k < 1 || k > 8) {
            CHECK(0, "unreadable line %s", line);
            break;
        }
        cut_after_fields(line, 7); /* the table and the seed */
        if (strcmp(line, key) != 0) {
            sin_cos_rng *other = sin_cos_rng_new(seed);
            strcpy(key, line);
            sin_cos_free(t);
            sin_cos_rng_free(g);
            t = sin_cos_build(H, M, xini, xfin, n, strcmp(mode, "tight") == 0);
            g = sin_cos_rng_new(seed);
            CHECK(t != NULL && g != NULL && other != NULL, "%s: %s", key, sin_cos_error());
            if (t == NULL) break;
            sin_cos_fill(t, other, filled, 8);
            sin_cos_rng_free(other);
        }
        {
            const double x = sin_cos_draw(t, g);
            CHECK(x == value, "%s %d: drew %.17g", key, k, x);
            CHECK(filled[k - 1] == value, "%s %d: filled %.17g", key, k, filled[k - 1]);
        }
    }
    fclose(in);
    sin_cos_free(t);
    sin_cos_rng_free(g);
    return lines;
}

struct counted {
    sin_cos_rng *g;
    long calls;
};

static uint64_t word(void *state)
{
    struct counted *c = state;
    ++c->calls;
    return sin_cos_rng_next(c->g);
}

int main(int argc, char **argv)
{
    char path[4096];
    sin_cos_table *t, *back;
    sin_cos_rng *g, *h;
    size_t i;
    int k;
    if (argc != 3) return fprintf(stderr, "usage: c_test KNOWN_DRAWS WORK_DIR\n"), 2;

    CHECK(known_draws(argv[1]) >= 40, "too few known draws in %s", argv[1]);

    /* Refusals with the tool's status and message; the next build is unaffected. */
    {
        const struct { double H; int M; double xini, xfin; int n, status; sin_cos_error_kind kind; const char *says; } refused[] = {
            {2, 4, 0.5, -0.5, 10, 255, SIN_COS_REFUSED, "xini=0.5, xfin=-0.5"},
            {2, 4, -1, 1, 0, 255, SIN_COS_REFUSED, "0"},
            {2, 4, -0.5, 0.8, 1, 1, SIN_COS_NUMERICAL, "bracket"},
        };
        for (i = 0; i < sizeof refused / sizeof refused[0]; ++i) {
            t = sin_cos_build(refused[i].H, refused[i].M, refused[i].xini, refused[i].xfin, refused[i].n, 0);
            CHECK(t == NULL, "case %zu built", i);
            CHECK(sin_cos_build_status() == refused[i].status, "case %zu: status %d", i, sin_cos_build_status());
            CHECK(strstr(sin_cos_error(), refused[i].says) != NULL && strncmp(sin_cos_error(), "!!!", 3) != 0,
                  "case %zu: %s", i, sin_cos_error());
            CHECK(sin_cos_last_error_kind() == refused[i].kind, "case %zu: kind %d", i, (int)sin_cos_last_error_kind());
        }
        /* A table too slow to draw from, with the bins that clear it. */
        t = sin_cos_build(1, 2147483646, 0, 1, 1, 1);
        CHECK(t == NULL && sin_cos_build_status() == 1 && sin_cos_last_error_kind() == SIN_COS_NUMERICAL &&
                  strstr(sin_cos_error(), "below 1e-07") != NULL && strstr(sin_cos_error(), "use at least 2 bins") != NULL,
              "slow table: %s", sin_cos_error());
    }
    t = sin_cos_build(2, 4, -1, 1, 1000, 1);
    CHECK(t != NULL, "%s", sin_cos_error());
    if (t == NULL) return 1;
    CHECK(sin_cos_bins(t) == 1000 && sin_cos_edges(t)[0] == -1 && sin_cos_edges(t)[1000] == 1 &&
              sin_cos_H(t) == 2 && sin_cos_M(t) == 4 && sin_cos_xini(t) == -1 && sin_cos_xfin(t) == 1 &&
              sin_cos_loss(t) > 0 && sin_cos_loss(t) < 1 && sin_cos_area(t) > 0,
          "accessors");

    /* The table file, written and read back: the same table. */
    snprintf(path, sizeof path, "%s/Sin_Cos.res", argv[2]);
    CHECK(sin_cos_write(t, path) == 0, "%s", sin_cos_error());
    back = sin_cos_load(path);
    CHECK(back != NULL, "%s", sin_cos_error());
    if (back != NULL) {
        CHECK(sin_cos_bins(back) == 1000 && sin_cos_area(back) == sin_cos_area(t) && sin_cos_H(back) == 2 &&
                  sin_cos_M(back) == 4 && sin_cos_xini(back) == -1 && sin_cos_xfin(back) == 1 &&
                  memcmp(sin_cos_edges(back), sin_cos_edges(t), 1001 * sizeof(double)) == 0,
              "read back differs");
        sin_cos_free(back);
    }
    snprintf(path, sizeof path, "%s/missing/Sin_Cos.res", argv[2]);
    CHECK(sin_cos_load(path) == NULL && strstr(sin_cos_error(), path) != NULL && sin_cos_build_status() == 0 &&
              sin_cos_last_error_kind() == SIN_COS_IO,
          "%s", sin_cos_error());
    CHECK(sin_cos_write(t, path) == -1 && strstr(sin_cos_error(), path) != NULL, "%s", sin_cos_error());

    /* A density zero everywhere in doubles: refused at once, not drawn from for ever. */
    snprintf(path, sizeof path, "%s/zero_density.res", argv[2]);
    {
        FILE* out = fopen(path, "w");
        CHECK(out != NULL, "cannot create %s", path);
        if (out != NULL) {
            fputs("*** copy this line\n#define Nd_poi 2\n$ end\n1e300 4 2 -0.5 0.5 1.0  1.0\n-0.5\n0\n", out);
            fclose(out);
        }
    }
    CHECK(sin_cos_load(path) == NULL && strstr(sin_cos_error(), "zero_density.res:4: ") != NULL &&
              sin_cos_last_error_kind() == SIN_COS_UNSOUND,
          "%s", sin_cos_error());

    /* Three laws built side by side, written as one file and read back: each histogram its single build. */
    {
        const double H[] = {2.11, 3, 1.5}, xini[] = {-1, -0.3, 0}, xfin[] = {1, 0.9, 1};
        const int M[] = {4, 0, 2};
        size_t count = 9;
        sin_cos_table **set = sin_cos_build_tables(3, H, M, xini, xfin, 200, 0), **loaded;
        CHECK(set != NULL, "%s", sin_cos_error());
        snprintf(path, sizeof path, "%s/three.res", argv[2]);
        CHECK(set != NULL && sin_cos_write_tables(set, 3, path) == 0, "%s", sin_cos_error());
        loaded = sin_cos_load_tables(path, &count);
        CHECK(loaded != NULL && count == 3, "%s", sin_cos_error());
        for (i = 0; loaded != NULL && i < 3; ++i) {
            sin_cos_table *alone = sin_cos_build(H[i], M[i], xini[i], xfin[i], 200, 0);
            back = sin_cos_load_histogram(path, i);
            CHECK(alone != NULL && back != NULL && sin_cos_area(loaded[i]) == sin_cos_area(alone) &&
                      memcmp(sin_cos_edges(loaded[i]), sin_cos_edges(alone), 201 * sizeof(double)) == 0 &&
                      memcmp(sin_cos_edges(back), sin_cos_edges(alone), 201 * sizeof(double)) == 0,
                  "histogram %zu differs", i);
            sin_cos_free(alone);
            sin_cos_free(back);
        }
        CHECK(sin_cos_load(path) == NULL && strstr(sin_cos_error(), "holds 3 histograms") != NULL, "%s",
              sin_cos_error());
        CHECK(sin_cos_load_histogram(path, 3) == NULL && sin_cos_last_error_kind() == SIN_COS_INVALID &&
                  strstr(sin_cos_error(), "no histogram 3: the file holds 3, numbered from 0") != NULL,
              "%s", sin_cos_error());
        CHECK(sin_cos_build_tables(0, H, M, xini, xfin, 200, 0) == NULL && sin_cos_last_error_kind() == SIN_COS_INVALID &&
                  strcmp(sin_cos_error(), "sin_cos_build_tables: no law was given") == 0,
              "%s", sin_cos_error());
        sin_cos_free_tables(set, 3);
        sin_cos_free_tables(loaded, count);
    }

    /* The caller's words, two a proposal: from the same engine, the same draws. */
    g = sin_cos_rng_new(7);
    h = sin_cos_rng_new(7);
    {
        struct counted c = {h, 0};
        for (k = 0; k < 1000; ++k) {
            const double x = sin_cos_draw(t, g), y = sin_cos_draw_with(t, word, &c);
            if (x != y) {
                CHECK(x == y, "draw %d: %.17g != %.17g", k, x, y);
                break;
            }
        }
        CHECK(c.calls % 2 == 0 && c.calls > 2000 && c.calls < 2100, "%ld calls", c.calls);
    }
    CHECK(isnan(sin_cos_draw(NULL, g)) && strstr(sin_cos_error(), "table") != NULL, "%s", sin_cos_error());
    CHECK(isnan(sin_cos_draw_with(t, NULL, NULL)), "%s", sin_cos_error());
    sin_cos_rng_free(g);
    sin_cos_rng_free(h);
    sin_cos_free(t);
    sin_cos_free(NULL);

    /* The quantile: C++'s draws on the same std::mt19937_64 (pinned in the
     * Python and Fortran tests too), arrays in place, refusals. */
    {
        static const char *const cpp_12345[] = {"-0x1.999803c4b91e6p-1", "-0x1.738f922c4772bp-1",
                                                "0x1.b810310ecf24ep-1",  "0x1.4037732360b3bp-1",
                                                "0x1.55caedf38958cp-1",  "-0x1.e2dfcd03e79b7p-1"};
        sin_cos_quantile *q = sin_cos_quantile_new(-1.0, 1.0, 0.0, 2, 0.0);
        double u[6], x[6];
        sin_cos_u_error e;
        g = sin_cos_rng_new(12345);
        h = sin_cos_rng_new(12345);
        CHECK(q != NULL, "%s", sin_cos_error());
        for (k = 0; k < 6; ++k) {
            const double d = sin_cos_quantile_draw(q, g);
            u[k] = (double)(sin_cos_rng_next(h) >> 11) * 0x1p-53;
            CHECK(d == strtod(cpp_12345[k], NULL), "draw %d: %a", k, d);
            CHECK(sin_cos_quantile_ppf(q, u[k]) == d, "ppf %d", k);
        }
        CHECK(sin_cos_quantile_ppf_array(q, u, x, 6) == 0 && sin_cos_quantile_ppf_array(q, u, u, 6) == 0, "arrays");
        for (k = 0; k < 6; ++k) CHECK(x[k] == u[k] && x[k] == strtod(cpp_12345[k], NULL), "array %d", k);
        CHECK(sin_cos_quantile_ppf(q, 0.0) == -1.0 && sin_cos_quantile_ppf(q, 1.0) == 1.0 &&
                  isnan(sin_cos_quantile_ppf(q, 1.5)), "ends");
        e = sin_cos_quantile_u_error(q);
        CHECK(e.resolution == 1e-12 && e.bound == e.jump && e.jump > 1e-12 && e.where == -1.0,
              "H = 0: the step at -1, %g at %g", e.jump, e.where);
        CHECK(sin_cos_quantile_ppf_array(q, NULL, x, 6) == -1 && sin_cos_last_error_kind() == SIN_COS_INVALID, "NULL");
        CHECK(sin_cos_quantile_new(-1.0, 1.0, 2.0, 3, 0.0) == NULL && sin_cos_last_error_kind() == SIN_COS_REFUSED &&
                  strstr(sin_cos_error(), "M=3") != NULL, "%s", sin_cos_error());
        CHECK(sin_cos_quantile_new(-1.0, 1.0, 2.0, 4, 1e-3) == NULL && strstr(sin_cos_error(), "resolution") != NULL,
              "%s", sin_cos_error());
        CHECK(isnan(sin_cos_quantile_ppf(NULL, 0.5)) && isnan(sin_cos_quantile_u_error(NULL).bound), "NULL quantile");
        sin_cos_quantile_free(q);
        sin_cos_quantile_free(NULL);
        sin_cos_rng_free(g);
        sin_cos_rng_free(h);
    }
    if (failures == 0) puts("c_test: passed");
    return failures != 0;
}
