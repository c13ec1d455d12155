#include "numeric/error.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace numeric {

void nrerror(const char* message)
{
    std::fprintf(stderr, "%s\n", message);
    std::fprintf(stderr, "...now exiting to system...\n");
    std::exit(1);
}

void fatal(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    nrerror(text);
}

}  // namespace numeric
