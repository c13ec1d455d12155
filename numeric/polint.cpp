#include "numeric/romberg.hpp"

#include <cmath>

#include "numeric/error.hpp"
#include "numeric/vector.hpp"

namespace numeric {

void polint(const double xa[], const double ya[], int n, double x, double* y, double* dy)
{
    int ns = 1;
    double dif = std::fabs(x - xa[1]);
    Vector c = vector(1, n);
    Vector d = vector(1, n);
    for (int i = 1; i <= n; ++i) {
        const double dift = std::fabs(x - xa[i]);
        if (dift < dif) {
            ns = i;
            dif = dift;
        }
        c[i] = ya[i];
        d[i] = ya[i];
    }
    *y = ya[ns--];
    for (int m = 1; m < n; ++m) {
        for (int i = 1; i <= n - m; ++i) {
            const double ho = xa[i] - x;
            const double hp = xa[i + m] - x;
            const double w = c[i + 1] - d[i];
            double den = ho - hp;
            if (den == 0.0) nrerror("Error in routine polint");
            den = w / den;
            d[i] = hp * den;
            c[i] = ho * den;
        }
        if (2 * ns < n - m) {
            *dy = c[ns + 1];
        } else {
            *dy = d[ns];
            --ns;
        }
        *y = *y + *dy;
    }
    free_vector(d, 1, n);
    free_vector(c, 1, n);
}

}  // namespace numeric
