#pragma once

// Double-double numbers: hi + lo with |lo| <= ulp(hi)/2, about 106 bits. The
// law's exponents, a ln x + b ln(1 - x^2), are sums of terms up to 1e12 whose
// result must be right to 1e-17 absolute; doubles cannot carry that, these do.
//
// The error-free transformations need every product and sum rounded on its
// own: the library is built with -ffp-contract=off, and a build that lets the
// compiler fuse or reassociate would silently lose the low words.

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__FAST_MATH__)
#error "double-double arithmetic needs IEEE rounding of every operation: build without -ffast-math"
#endif

namespace numeric {

struct dd {
    double hi = 0;
    double lo = 0;
};

// a + b exactly, as s + e.
inline dd two_sum(double a, double b)
{
    const double s = a + b;
    const double bb = s - a;
    const double e = (a - (s - bb)) + (b - bb);
    return {s, e};
}

// a + b exactly for |a| >= |b| (or a == 0).
inline dd quick_two_sum(double a, double b)
{
    const double s = a + b;
    return {s, b - (s - a)};
}

// Dekker's split of a into two halves of 26 bits each. Beyond 2^995 the
// multiplier would overflow: there the top 26 bits are cut off instead (the
// lower half then has 27, which keeps every partial product exact as long as
// the other factor is split the usual way, as it is wherever the product
// does not overflow).
inline void split(double a, double& h, double& l)
{
    constexpr double splitter = 134217729.0;  // 2^27 + 1
    if (std::fabs(a) > 0x1p995) {
        std::uint64_t bits;
        std::memcpy(&bits, &a, sizeof bits);
        bits &= ~((std::uint64_t{1} << 27) - 1);
        std::memcpy(&h, &bits, sizeof h);
        l = a - h;
        return;
    }
    const double t = splitter * a;
    h = t - (t - a);
    l = a - h;
}

// a * b exactly, as p + e (while the error term does not underflow).
inline dd two_prod(double a, double b)
{
    const double p = a * b;
    double ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    const double e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
    return {p, e};
}

inline dd operator-(dd a) { return {-a.hi, -a.lo}; }

inline dd operator+(dd a, dd b)
{
    dd s = two_sum(a.hi, b.hi);
    const dd t = two_sum(a.lo, b.lo);
    s.lo += t.hi;
    s = quick_two_sum(s.hi, s.lo);
    s.lo += t.lo;
    return quick_two_sum(s.hi, s.lo);
}

inline dd operator-(dd a, dd b) { return a + (-b); }

inline dd operator+(dd a, double b)
{
    dd s = two_sum(a.hi, b);
    s.lo += a.lo;
    return quick_two_sum(s.hi, s.lo);
}

inline dd operator*(dd a, double b)
{
    dd p = two_prod(a.hi, b);
    p.lo += a.lo * b;
    return quick_two_sum(p.hi, p.lo);
}

inline dd operator*(dd a, dd b)
{
    dd p = two_prod(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return quick_two_sum(p.hi, p.lo);
}

// To about 2^-104 relative: the remainder's quotient corrects the first.
inline dd operator/(dd a, dd b)
{
    const double q1 = a.hi / b.hi;
    const dd r = a - b * q1;
    const double q2 = r.hi / b.hi;
    return quick_two_sum(q1, q2);
}

inline dd operator/(dd a, double b) { return a / dd{b, 0}; }

inline double to_double(dd a) { return a.hi + a.lo; }

// 1 - x^2 exactly (to the double-double's precision) for |x| <= 1.
inline dd one_minus_square(double x)
{
    const dd s = two_prod(x, x);
    return dd{1, 0} - s;
}

}  // namespace numeric
