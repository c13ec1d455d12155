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

namespace {

[[noreturn]] void refuse_on(std::FILE* stream, const char* format, va_list args)
{
    char text[4096];
    std::vsnprintf(text, sizeof text, format, args);
    if (throwing) throw failure(255, without_line_end(text));
    std::fputs(text, stream);
    std::exit(-1);
}

}  // namespace

void refuse(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    refuse_on(stdout, format, args);
}

void refuse_usage(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    refuse_on(stderr, format, args);
}

failures_thrown::failures_thrown() : saved_(throwing) { throwing = true; }

failures_thrown::~failures_thrown() { throwing = saved_; }

}  // namespace numeric
