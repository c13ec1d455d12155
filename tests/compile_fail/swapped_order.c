/* 2.x's argument order, H and M first, does not compile with the builder
 * of 3.0: a swapped law is caught by the compiler. */
#include <sin_cos/sin_cos.h>

int main(void)
{
#ifdef SWAPPED
    sin_cos_table *t = sin_cos_table_build(2.11, 4, -1, 1, 1000);
#else
    const sin_cos_law law = {.xini = -1, .xfin = 1, .H = 2.11, .M = 4};
    sin_cos_table *t = sin_cos_table_build(&law, 1000, SIN_COS_CLASSIC);
#endif
    sin_cos_free(t);
    return 0;
}
