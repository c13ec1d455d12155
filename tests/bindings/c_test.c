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
            {
                const sin_cos_law law = {.xini = xini, .xfin = xfin, .H = H, .M = M};
                t = sin_cos_table_build(&law, n, strcmp(mode, "tight") == 0 ? SIN_COS_TIGHT : SIN_COS_CLASSIC);
            }
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

/* sin_cos_fill against sin_cos_draw on an engine of the same seed, then the
 * engines' next words; n = 1 rejects three proposals in four. */
static void fill_is_successive_draws(void)
{
    static const size_t counts[] = {1, 64, 65, 131, 20011};
    static double filled[20011];
    const sin_cos_law law = {.xini = -1, .xfin = 1, .H = 2, .M = 4};
    sin_cos_table *t = sin_cos_table_build(&law, 1, SIN_COS_CLASSIC);
    size_t c, k, differ;
    for (c = 0; t != NULL && c < sizeof counts / sizeof counts[0]; ++c) {
        sin_cos_rng *bulk = sin_cos_rng_new(c), *single = sin_cos_rng_new(c);
        sin_cos_fill(t, bulk, filled, counts[c]);
        for (k = differ = 0; k < counts[c]; ++k) differ += filled[k] != sin_cos_draw(t, single);
        CHECK(differ == 0 && sin_cos_rng_next(bulk) == sin_cos_rng_next(single), "%zu draws", counts[c]);
        sin_cos_rng_free(bulk);
        sin_cos_rng_free(single);
    }
    CHECK(t != NULL, "%s", sin_cos_error());
    sin_cos_free(t);
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
    fill_is_successive_draws();

    /* Every kind of failure, each with a message naming the value at fault;
     * the next call is unaffected. */
    {
        static const char *const kind_names[] = {"none", "refused", "numerical", "malformed", "unsound",
                                                 "io", "invalid", "no memory", "other"};
        char file[4096], folder[4096], bad[4096], zero[4096];
        FILE *out;
        size_t count = 7;
        const sin_cos_law interval = {.xini = 0.5, .xfin = -0.5, .H = 2, .M = 4};
        const sin_cos_law odd = {.xini = -1, .xfin = 1, .H = 2, .M = 3};
        const sin_cos_law steep = {.xini = -0.5, .xfin = 0.8, .H = 2, .M = 4};
        const sin_cos_law slow = {.xini = 0, .xfin = 1, .H = 1, .M = 2147483646};
        const sin_cos_law plain = {.xini = -1, .xfin = 1, .H = 2, .M = 4};
        struct {
            const char *what;
            void *result;
            sin_cos_error_kind kind;
            const char *names;
        } cases[11];
        snprintf(file, sizeof file, "%s/missing/Sin_Cos.res", argv[2]);
        snprintf(folder, sizeof folder, "%s", argv[2]);
        snprintf(bad, sizeof bad, "%s/malformed.res", argv[2]);
        snprintf(zero, sizeof zero, "%s/zero_density.res", argv[2]);
        out = fopen(bad, "w");
        CHECK(out != NULL, "cannot create %s", bad);
        if (out != NULL) fputs("*** copy this line\n#define Nd_poi two\n", out), fclose(out);
        out = fopen(zero, "w");
        CHECK(out != NULL, "cannot create %s", zero);
        if (out != NULL) {
            fputs("*** copy this line\n#define Nd_poi 2\n$ end\n1e300 4 2 -0.5 0.5 1.0  1.0\n-0.5\n0\n", out);
            fclose(out);
        }
        i = 0;
        cases[i].what = "missing file", cases[i].result = sin_cos_load(file), cases[i].kind = SIN_COS_IO,
        cases[i++].names = file;
        cases[i].what = "missing file, all histograms", cases[i].result = sin_cos_load_tables(file, &count),
        cases[i].kind = SIN_COS_IO, cases[i++].names = file;
        cases[i].what = "a directory", cases[i].result = sin_cos_load(folder), cases[i].kind = SIN_COS_IO,
        cases[i++].names = folder;
        cases[i].what = "a directory, all histograms", cases[i].result = sin_cos_load_tables(folder, &count),
        cases[i].kind = SIN_COS_IO, cases[i++].names = folder;
        cases[i].what = "malformed", cases[i].result = sin_cos_load(bad), cases[i].kind = SIN_COS_MALFORMED,
        cases[i++].names = "malformed.res:2: ";
        cases[i].what = "unsound", cases[i].result = sin_cos_load(zero), cases[i].kind = SIN_COS_UNSOUND,
        cases[i++].names = "zero_density.res:4: ";
        cases[i].what = "refused interval", cases[i].result = sin_cos_table_build(&interval, 10, SIN_COS_CLASSIC),
        cases[i].kind = SIN_COS_REFUSED, cases[i++].names = "xini=0.5, xfin=-0.5";
        cases[i].what = "refused M", cases[i].result = sin_cos_table_build(&odd, 10, SIN_COS_TIGHT),
        cases[i].kind = SIN_COS_REFUSED, cases[i++].names = "M=3";
        cases[i].what = "numerical", cases[i].result = sin_cos_table_build(&steep, 1, SIN_COS_CLASSIC),
        cases[i].kind = SIN_COS_NUMERICAL, cases[i++].names = "bracket";
        cases[i].what = "too slow to draw from", cases[i].result = sin_cos_table_build(&slow, 1, SIN_COS_TIGHT),
        cases[i].kind = SIN_COS_NUMERICAL, cases[i++].names = "use at least 2 bins";
        cases[i].what = "no law", cases[i].result = sin_cos_table_build(NULL, 10, SIN_COS_CLASSIC),
        cases[i].kind = SIN_COS_INVALID, cases[i++].names = "law is NULL";
        /* Each case's kind and message are those of its own call: read them again here. */
        for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
            void *again = NULL;
            CHECK(cases[i].result == NULL, "%s: no failure", cases[i].what);
            switch (i) {
            case 0: again = sin_cos_load(file); break;
            case 1: again = sin_cos_load_tables(file, &count); break;
            case 2: again = sin_cos_load(folder); break;
            case 3: again = sin_cos_load_tables(folder, &count); break;
            case 4: again = sin_cos_load(bad); break;
            case 5: again = sin_cos_load(zero); break;
            case 6: again = sin_cos_table_build(&interval, 10, SIN_COS_CLASSIC); break;
            case 7: again = sin_cos_table_build(&odd, 10, SIN_COS_TIGHT); break;
            case 8: again = sin_cos_table_build(&steep, 1, SIN_COS_CLASSIC); break;
            case 9: again = sin_cos_table_build(&slow, 1, SIN_COS_TIGHT); break;
            case 10: again = sin_cos_table_build(NULL, 10, SIN_COS_CLASSIC); break;
            }
            CHECK(again == NULL && sin_cos_last_error_kind() == cases[i].kind, "%s: kind %s, not %s", cases[i].what,
                  kind_names[sin_cos_last_error_kind()], kind_names[cases[i].kind]);
            CHECK(strstr(sin_cos_error(), cases[i].names) != NULL && strncmp(sin_cos_error(), "!!!", 3) != 0,
                  "%s: %s", cases[i].what, sin_cos_error());
            CHECK(count == 0, "%s: count %zu", cases[i].what, count);
            if (again != NULL) sin_cos_free(again);
        }
        t = sin_cos_table_build(&plain, 10, SIN_COS_CLASSIC);
        CHECK(t != NULL, "after the failures: %s", sin_cos_error());
        sin_cos_free(t);
    }
    {
        const sin_cos_law law = {.xini = -1, .xfin = 1, .H = 2, .M = 4};
        t = sin_cos_table_build(&law, 1000, SIN_COS_TIGHT);
    }
    CHECK(t != NULL, "%s", sin_cos_error());
    if (t == NULL) return 1;
    CHECK(sin_cos_bins(t) == 1000 && sin_cos_edges(t)[0] == -1 && sin_cos_edges(t)[1000] == 1 &&
              sin_cos_H(t) == 2 && sin_cos_M(t) == 4 && sin_cos_xini(t) == -1 && sin_cos_xfin(t) == 1 &&
              sin_cos_loss(t) > 0 && sin_cos_loss(t) < 1 && sin_cos_area(t) > 0,
          "accessors");
    {
        const sin_cos_law law = sin_cos_table_law(t), none = sin_cos_table_law(NULL);
        CHECK(law.xini == -1 && law.xfin == 1 && law.H == 2 && law.M == 4 && isnan(none.H) && none.M == -1,
              "the table's law");
    }

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
    CHECK(sin_cos_write(t, path) == -1 && strstr(sin_cos_error(), path) != NULL &&
              sin_cos_last_error_kind() == SIN_COS_IO,
          "%s", sin_cos_error());

    /* Three laws built side by side, written as one file and read back: each histogram its single build. */
    {
        const sin_cos_law laws[] = {{.xini = -1, .xfin = 1, .H = 2.11, .M = 4},
                                    {.xini = -0.3, .xfin = 0.9, .H = 3, .M = 0},
                                    {.xini = 0, .xfin = 1, .H = 1.5, .M = 2}};
        size_t count = 9;
        sin_cos_table **set = sin_cos_tables_build(laws, 3, 200, SIN_COS_CLASSIC), **loaded;
        CHECK(set != NULL, "%s", sin_cos_error());
        snprintf(path, sizeof path, "%s/three.res", argv[2]);
        CHECK(set != NULL && sin_cos_write_tables(set, 3, path) == 0, "%s", sin_cos_error());
        loaded = sin_cos_load_tables(path, &count);
        CHECK(loaded != NULL && count == 3, "%s", sin_cos_error());
        for (i = 0; loaded != NULL && i < 3; ++i) {
            sin_cos_table *alone = sin_cos_table_build(&laws[i], 200, SIN_COS_CLASSIC);
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
        CHECK(sin_cos_tables_build(laws, 0, 200, SIN_COS_CLASSIC) == NULL &&
                  sin_cos_last_error_kind() == SIN_COS_INVALID &&
                  strcmp(sin_cos_error(), "sin_cos_tables_build: no law was given") == 0,
              "%s", sin_cos_error());
        /* 2.x's builders, which objects built against it still call: the same tables. */
        {
            const double H[] = {2.11, 3, 1.5}, xini[] = {-1, -0.3, 0}, xfin[] = {1, 0.9, 1};
            const int M[] = {4, 0, 2};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
            sin_cos_table **old = sin_cos_build_tables(3, H, M, xini, xfin, 200, 0);
            sin_cos_table *one = sin_cos_build(H[1], M[1], xini[1], xfin[1], 200, 0);
#pragma GCC diagnostic pop
            CHECK(old != NULL && one != NULL && memcmp(sin_cos_edges(old[2]), sin_cos_edges(set[2]), 201 * sizeof(double)) == 0 &&
                      memcmp(sin_cos_edges(one), sin_cos_edges(set[1]), 201 * sizeof(double)) == 0,
                  "2.x builders: %s", sin_cos_error());
            sin_cos_free_tables(old, 3);
            sin_cos_free(one);
        }
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
    /* The law's functions: closed-form moments on [-1, 1] (x^2 is Beta(a, b),
     * a = (M+1)/2, b = (H+1)/2), arrays equal to single calls, cdf + sf = 1,
     * the ends, and refusals that name the value. */
    {
        static const sin_cos_law laws[] = {{-1, 1, 2.11, 4}, {-1, 1, 0, 2}, {-1, 1, -0.5, 0}, {-1, 1, 1e6, 50}};
        const double x[] = {-1, -0.6, -1e-300, 0, 0.3, 0.999, 1, 2};
        double out[8], tail[8], log_out[8];
        size_t j;
        for (i = 0; i < sizeof laws / sizeof laws[0]; ++i) {
            const sin_cos_law *law = &laws[i];
            const double a = (law->M + 1) / 2.0, b = (law->H + 1) / 2.0, second = a / (a + b);
            CHECK(fabs(sin_cos_mean(law)) < 1e-15, "law %zu: mean %g", i, sin_cos_mean(law));
            CHECK(fabs(sin_cos_variance(law) / second - 1) < 1e-13, "law %zu: variance %.17g", i,
                  sin_cos_variance(law));
            CHECK(fabs(sin_cos_moment(law, 4) / (second * (a + 1) / (a + b + 1)) - 1) < 1e-13, "law %zu", i);
            CHECK(sin_cos_cdf_array(law, x, out, 8) == 0 && sin_cos_sf_array(law, x, tail, 8) == 0 &&
                      sin_cos_logpdf_array(law, x, log_out, 8) == 0, "law %zu: %s", i, sin_cos_error());
            for (j = 0; j < 8; ++j) {
                CHECK(out[j] == sin_cos_cdf(law, x[j]) && tail[j] == sin_cos_sf(law, x[j]), "law %zu x %g", i, x[j]);
                CHECK(fabs(out[j] + tail[j] - 1) <= 2.3e-16, "law %zu x %g: %.17g + %.17g", i, x[j], out[j], tail[j]);
                CHECK(log_out[j] == sin_cos_logpdf(law, x[j]), "law %zu x %g", i, x[j]);
            }
            CHECK(out[0] == 0 && out[3] == 0.5 && out[7] == 1 && sin_cos_pdf(law, 2) == 0, "law %zu", i);
            CHECK(sin_cos_pdf_array(law, NULL, NULL, 0) == 0, "count 0: %s", sin_cos_error());
        }
        {
            const sin_cos_law low = {-1, 1, -1, 4}, odd = {-1, 1, 2, 3};
            CHECK(isnan(sin_cos_cdf(&low, 0)) && sin_cos_last_error_kind() == SIN_COS_REFUSED &&
                      strstr(sin_cos_error(), "H=-1") != NULL, "%s", sin_cos_error());
            CHECK(sin_cos_cdf_array(&odd, x, out, 8) == -1 && strstr(sin_cos_error(), "M=3") != NULL, "%s",
                  sin_cos_error());
            CHECK(isnan(sin_cos_mean(NULL)) && sin_cos_last_error_kind() == SIN_COS_INVALID, "%s", sin_cos_error());
            CHECK(isnan(sin_cos_moment(&laws[0], -1)) && strstr(sin_cos_error(), "k=-1") != NULL, "%s",
                  sin_cos_error());
        }
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
        static const char *const cpp_12345[] = {"-0x1.999803c4b925ep-1", "-0x1.738f922c478e1p-1",
                                                "0x1.b810310ecf517p-1",  "0x1.4037732360b8bp-1",
                                                "0x1.55caedf3896d3p-1",  "-0x1.e2dfcd03e7901p-1"};
        const sin_cos_law uniform_angle = {-1.0, 1.0, 0.0, 2}, odd = {-1.0, 1.0, 2.0, 3}, law = {-1.0, 1.0, 2.0, 4};
        sin_cos_quantile *q = sin_cos_quantile_new(&uniform_angle, 0.0);
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
        CHECK(sin_cos_quantile_new(&odd, 0.0) == NULL && sin_cos_last_error_kind() == SIN_COS_REFUSED &&
                  strstr(sin_cos_error(), "M=3") != NULL, "%s", sin_cos_error());
        CHECK(sin_cos_quantile_new(&law, 1e-3) == NULL && sin_cos_last_error_kind() == SIN_COS_INVALID &&
                  strstr(sin_cos_error(), "resolution") != NULL,
              "%s", sin_cos_error());
        CHECK(isnan(sin_cos_quantile_ppf(NULL, 0.5)) && isnan(sin_cos_quantile_u_error(NULL).bound), "NULL quantile");
        CHECK(sin_cos_quantile_new(NULL, 0.0) == NULL && sin_cos_last_error_kind() == SIN_COS_INVALID, "NULL law");
        sin_cos_quantile_free(q);
        sin_cos_quantile_free(NULL);
        sin_cos_rng_free(g);
        sin_cos_rng_free(h);
    }
    if (failures == 0) puts("c_test: passed");
    return failures != 0;
}
