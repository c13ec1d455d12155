#pragma once

namespace sin_cos::detail {

double unfused_call(double v);

// The product v, as a double the caller's compiler cannot fuse with the
// addition that follows. The draws are computed in the caller's code, and a
// compiler that contracts a * b + c into one fused multiply-add (g++ does by
// default wherever the machine has FMA, clang with -ffp-contract=fast) would
// round the point otherwise: the same seed would no longer give the same
// stream. An empty asm that holds the value in its register costs nothing;
// elsewhere a call the compiler cannot see into does the same.
inline double unfused(double v)
{
#if defined(__GNUC__) && defined(__x86_64__)
    __asm__("" : "+x"(v));
#elif defined(__GNUC__) && defined(__aarch64__)
    __asm__("" : "+w"(v));
#else
    v = unfused_call(v);
#endif
    return v;
}

}  // namespace sin_cos::detail
