#pragma once

// Positive numbers far beyond the range of doubles, m 2^e with m in [1/2, 1)
// (or m = 0): the masses of laws whose densities underflow or overflow, taken
// relative to each other.

#include <cstdint>

#include "numeric/double_double.hpp"

namespace numeric {

struct scaled {
    double m = 0;
    std::int64_t e = 0;
};

// Beyond this exponent a value counts as zero or as infinite: e^(+-2^62 ln 2)
// against any mass a law can have next to it.
inline constexpr std::int64_t scaled_exponent_limit = std::int64_t{1} << 62;

scaled make_scaled(double v);                 // v >= 0, finite
scaled operator*(scaled a, double b);         // b >= 0, finite
scaled operator*(scaled a, scaled b);
scaled operator+(scaled a, scaled b);
// a - b for a >= b; never below 0.
scaled operator-(scaled a, scaled b);
// a / b as a double (0, a double, or infinity), for b > 0.
double ratio(scaled a, scaled b);
// ln a, for a > 0 (-infinity at 0).
double log(scaled a);
inline bool is_zero(scaled a) { return a.m == 0; }
// a <= b
bool less_equal(scaled a, scaled b);

// e^x of a double-double exponent: exact to the rounding of the last exp.
scaled exp_scaled(dd x);

}  // namespace numeric
