/* Builds the tight table of 1000 bins for H = 2, M = 4 on [-1, 1], prints five
 * draws of seed 12345 (those of C++ and Fortran), then shows a refused build.
 *     cc five_draws.c $(pkg-config --cflags --libs sin_cos) -o five_draws */
#include <stdio.h>

#include <sin_cos/sin_cos.h>

int main(void)
{
    const sin_cos_law law = {.xini = -1.0, .xfin = 1.0, .H = 2.0, .M = 4};
    const sin_cos_law reversed = {.xini = 0.5, .xfin = -0.5, .H = 2.0, .M = 4};
    sin_cos_table *t = sin_cos_table_build(&law, 1000, SIN_COS_TIGHT);
    sin_cos_rng *g = sin_cos_rng_new(12345);
    int i;
    if (t == NULL || g == NULL) {
        fprintf(stderr, "five_draws: %s\n", sin_cos_error());
        return 1;
    }
    printf("%zu bins, loss %f%%\n", sin_cos_bins(t), sin_cos_loss(t));
    for (i = 0; i < 5; ++i) printf("%.17g\n", sin_cos_draw(t, g));
    sin_cos_free(t);

    t = sin_cos_table_build(&reversed, 1000, SIN_COS_CLASSIC);
    if (t == NULL && sin_cos_last_error_kind() == SIN_COS_REFUSED) printf("refused: %s\n", sin_cos_error());
    t = sin_cos_table_build(&law, 1000, SIN_COS_CLASSIC);
    if (t == NULL) {
        fprintf(stderr, "five_draws: %s\n", sin_cos_error());
        return 1;
    }
    printf("then %zu bins, loss %f%%\n", sin_cos_bins(t), sin_cos_loss(t));
    sin_cos_free(t);
    sin_cos_rng_free(g);
    return 0;
}
