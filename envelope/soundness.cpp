#include "envelope/soundness.hpp"

#include <cmath>
#include <cstdio>

#include "envelope/density.hpp"

namespace envelope {

namespace {

template <class... Args>
bool fault(std::string* why, const char* format, Args... args)
{
    char text[200];
    std::snprintf(text, sizeof text, format, args...);
    *why = text;
    return false;
}

}  // namespace

bool table_is_sound(const double x[], const double f1[], double a, double factor, int n, std::string* why)
{
    if (!(a > 0) || !std::isfinite(a)) return fault(why, "bin area %g is not a positive number", a);
    if (!(factor <= max_sound_factor)) {
        return fault(why, "correction factor %g exceeds 2: the calibration missed its target", factor);
    }
    return table_is_valid(x, f1, a, n, why);
}

bool table_is_valid(const double x[], const double f1[], double a, int n, std::string* why)
{
    if (!(a > 0) || !std::isfinite(a)) return fault(why, "bin area %g is not a positive number", a);
    for (int i = 0; i < n; ++i) {
        if (!(x[i + 1] > x[i])) return fault(why, "bin %d has width %g", i, x[i + 1] - x[i]);
        const double m = g1_max_in_domain(x[i], x[i + 1]);
        if (!std::isfinite(f1[i]) || !(f1[i] >= m)) {
            return fault(why, "bin %d has height %g, below the density's maximum %g on it", i, f1[i], m);
        }
    }
    return true;
}

}  // namespace envelope
