// 2.x's argument order, H and M first, no longer compiles: a swapped law
// is caught by the compiler, not by luck at run time.
#include <sin_cos/sampler.hpp>

int main()
{
#ifdef SWAPPED
    const sin_cos::table t = sin_cos::build_table(2.11, 4, -1, 1, 1000);
#else
    const sin_cos::table t = sin_cos::build_table(sin_cos::law{-1, 1, 2.11, 4}, 1000);
#endif
    return t.bins() == 1000 ? 0 : 1;
}
