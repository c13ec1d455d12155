#pragma once

#include "numeric/double_double.hpp"

namespace numeric {

// ln 2 to double-double precision.
dd ln2_dd();

// The natural logarithm of a positive, finite double-double, to about 2^-104
// of its magnitude plus 2^-104 absolute: ln x = k ln 2 + ln c_j + ln(x / (2^k c_j)),
// with c_j = 1 + j/64 from a table and the last term by the atanh series.
dd log_dd(dd x);
inline dd log_dd(double x) { return log_dd(dd{x, 0}); }

// ln(1 + z) - z for z > -1, to a few ulps of its own size, where the
// difference of the two would cancel (|z| < 1/2).
double log1p_minus(double z);

}  // namespace numeric
