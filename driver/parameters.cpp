#include "driver/parameters.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace driver {

void refuse_bad_parameters(int n, double xini, double xfin)
{
    if (n < 1 || n > max_bins) {
        std::printf("!!! n=%d must be between 1 and %d\n", n, max_bins);
        std::exit(-1);
    }
    const bool finite = std::isfinite(xini) && std::isfinite(xfin);
    if (!finite || !(-1 <= xini && xini < xfin && xfin <= 1)) {
        std::printf("!!! xini=%.17g, xfin=%.17g: the interval must satisfy -1 <= xini < xfin <= 1\n", xini, xfin);
        std::exit(-1);
    }
}

}  // namespace driver
