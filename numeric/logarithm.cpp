#include "numeric/logarithm.hpp"

#include <array>
#include <cmath>

namespace numeric {

namespace {

// 2 atanh(v) = ln((1 + v) / (1 - v)) in double-double, summed until the terms
// fall below 2^-110 of the first: for the table and ln 2, where |v| <= 1/3.
dd two_atanh_slow(dd v)
{
    const dd v2 = v * v;
    dd power = v;
    dd sum = v;
    for (int k = 3; k < 200; k += 2) {
        power = power * v2;
        const dd term = power / static_cast<double>(k);
        sum = sum + term;
        if (std::fabs(term.hi) < 0x1p-110 * std::fabs(sum.hi)) break;
    }
    return sum * 2.0;
}

struct log_table {
    dd ln2;
    std::array<dd, 65> ln_c;  // ln(1 + j/64)
};

log_table make_table()
{
    log_table t;
    // ln 2 = 2 atanh(1/3).
    t.ln2 = two_atanh_slow(dd{1, 0} / 3.0);
    for (int j = 0; j <= 64; ++j) {
        const double c = 1 + j / 64.0;
        t.ln_c[j] = j == 0 ? dd{} : two_atanh_slow(dd{c - 1, 0} / (dd{c + 1, 0}));
    }
    return t;
}

const log_table& table()
{
    static const log_table t = make_table();
    return t;
}

}  // namespace

dd ln2_dd() { return table().ln2; }

dd log_dd(dd x)
{
    const log_table& t = table();
    int k = 0;
    const double m0 = std::frexp(x.hi, &k);  // x.hi = m0 2^k, m0 in [1/2, 1)
    // m = x / 2^(k-1) in [1, 2): exact scaling of both words.
    const double m = m0 * 2;
    --k;
    const double ml = std::ldexp(x.lo, -k);
    const int j = static_cast<int>((m - 1) * 64);
    const double c = 1 + j / 64.0;
    // ln(m / c) = 2 atanh(v), v = (m - c) / (m + c), |v| < 1/128 (m - c is
    // exact): the first three terms in double-double, the rest (below 2^-42
    // of the first) in doubles.
    const dd v = two_sum(m - c, ml) / (two_sum(m, c) + ml);
    const dd v2 = v * v;
    const dd v3 = v2 * v;
    const dd v5 = v3 * v2;
    const double w = v2.hi;
    const double tail = v5.hi * w * (1.0 / 7 + w * (1.0 / 9 + w * (1.0 / 11 + w * (1.0 / 13 + w * (1.0 / 15)))));
    dd series = v + v3 / 3.0 + v5 / 5.0 + tail;
    series = series * 2.0;
    return t.ln2 * static_cast<double>(k) + t.ln_c[j] + series;
}

double log1p_minus(double z)
{
    if (std::fabs(z) >= 0.5) return std::log1p(z) - z;
    // ln(1 + z) = 2 atanh(v), v = z / (2 + z), and 2v - z = -z v:
    // ln(1 + z) - z = -z v + 2 v^3 (1/3 + v^2/5 + v^4/7 + ...), |v| <= 1/3.
    // As many terms as keep the rest below 2^-56 of the first: most
    // arguments are small.
    static constexpr double inverse_odd[] = {1.0 / 3,  1.0 / 5,  1.0 / 7,  1.0 / 9,  1.0 / 11, 1.0 / 13,
                                             1.0 / 15, 1.0 / 17, 1.0 / 19, 1.0 / 21, 1.0 / 23, 1.0 / 25,
                                             1.0 / 27, 1.0 / 29, 1.0 / 31, 1.0 / 33, 1.0 / 35, 1.0 / 37};
    const double v = z / (2 + z);
    const double w = v * v;
    const int terms = w < 0x1p-20 ? 3 : w < 0x1p-10 ? 6 : w < 0x1p-5 ? 12 : 18;
    double s = 0;
    for (int k = terms - 1; k >= 0; --k) s = s * w + inverse_odd[k];
    return -z * v + 2 * v * w * s;
}

}  // namespace numeric
