#include "numeric/scaled.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "numeric/logarithm.hpp"

namespace numeric {

namespace {

scaled normalised(double m, std::int64_t e)
{
    if (m == 0 || e < -scaled_exponent_limit) return {};
    int k = 0;
    const double f = std::frexp(m, &k);
    return {f, e + k};
}

// 2^e as a factor that std::ldexp takes without overflow of its int argument.
double shift(double m, std::int64_t e)
{
    const std::int64_t c = std::clamp<std::int64_t>(e, -4000, 4000);
    return std::ldexp(m, static_cast<int>(c));
}

}  // namespace

scaled make_scaled(double v) { return normalised(v, 0); }

scaled operator*(scaled a, double b) { return normalised(a.m * b, a.e); }

scaled operator*(scaled a, scaled b)
{
    if (a.m == 0 || b.m == 0) return {};
    return normalised(a.m * b.m, a.e + b.e);
}

scaled operator+(scaled a, scaled b)
{
    if (a.m == 0) return b;
    if (b.m == 0) return a;
    if (a.e < b.e) std::swap(a, b);
    return normalised(a.m + shift(b.m, b.e - a.e), a.e);
}

scaled operator-(scaled a, scaled b)
{
    if (b.m == 0) return a;
    if (a.m == 0) return {};
    const double d = a.m - shift(b.m, b.e - a.e);
    return d > 0 ? normalised(d, a.e) : scaled{};
}

double ratio(scaled a, scaled b)
{
    if (a.m == 0) return 0;
    return shift(a.m / b.m, a.e - b.e);
}

double log(scaled a)
{
    if (a.m == 0) return -std::numeric_limits<double>::infinity();
    return std::log(a.m) + static_cast<double>(a.e) * 0.69314718055994530942;
}

bool less_equal(scaled a, scaled b)
{
    if (a.m == 0) return true;
    if (b.m == 0) return false;
    if (a.e != b.e) return a.e < b.e;
    return a.m <= b.m;
}

scaled exp_scaled(dd x)
{
    constexpr double inv_ln2 = 1.4426950408889634074;
    if (std::isnan(x.hi)) return {std::numeric_limits<double>::quiet_NaN(), 0};
    const double k = std::nearbyint(x.hi * inv_ln2);
    if (k < -static_cast<double>(scaled_exponent_limit)) return {};
    if (k > static_cast<double>(scaled_exponent_limit)) return {std::numeric_limits<double>::infinity(), 0};
    // r = x - k ln 2, |r| <= 0.35, in double-double: k has at most 63 bits,
    // so k ln 2 is formed from k's two halves.
    const dd ln2 = ln2_dd();
    const double k_hi = std::ldexp(std::trunc(std::ldexp(k, -31)), 31);
    const double k_lo = k - k_hi;
    const dd r = x - ln2 * k_hi - ln2 * k_lo;
    const double m = std::exp(r.hi) * (1 + r.lo);
    return normalised(m, static_cast<std::int64_t>(k));
}

}  // namespace numeric
