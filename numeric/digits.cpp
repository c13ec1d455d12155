#include "numeric/digits.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace numeric {

std::string shortest(double v)
{
    char buffer[64];
    if (!std::isfinite(v)) {
        const int length = std::snprintf(buffer, sizeof buffer, "%g", v);
        return std::string(buffer, static_cast<std::size_t>(length));
    }
    const auto done = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, done.ptr);
}

}  // namespace numeric
