#include "numeric/legendre_rule.hpp"

#include <cmath>
#include <numbers>

namespace numeric {

namespace {

legendre_rule make_rule()
{
    constexpr int n = legendre_points;
    legendre_rule rule{};
    for (int i = 0; i < n; ++i) {
        // The i-th root from the top, from its asymptotic place.
        long double x = std::cos(std::numbers::pi_v<long double> * (i + 0.75L) / (n + 0.5L));
        long double derivative = 0;
        for (int iteration = 0; iteration < 100; ++iteration) {
            // P_n(x) and P_n'(x) by the three-term recurrence.
            long double p0 = 1;
            long double p1 = x;
            for (int k = 2; k <= n; ++k) {
                const long double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            derivative = n * (x * p1 - p0) / (x * x - 1);
            const long double step = p1 / derivative;
            x -= step;
            if (std::fabs(step) < 1e-19L) break;
        }
        const long double w = 2 / ((1 - x * x) * derivative * derivative);
        rule.node[n - 1 - i] = static_cast<double>(x);
        rule.weight[n - 1 - i] = static_cast<double>(w);
    }
    return rule;
}

}  // namespace

const legendre_rule& gauss_legendre_rule()
{
    static const legendre_rule rule = make_rule();
    return rule;
}

}  // namespace numeric
