#include "numeric/error.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace numeric {

namespace {

bool throwing = false;

std::string without_line_end(std::string text)
{
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

}  // namespace

void nrerror(const char* message)
{
    if (throwing) throw failure(1, message);
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

void refuse(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (throwing) throw failure(255, without_line_end(text));
    std::fputs(text, stdout);
    std::exit(-1);
}

failures_thrown::failures_thrown() : saved_(throwing) { throwing = true; }

failures_thrown::~failures_thrown() { throwing = saved_; }

}  // namespace numeric
