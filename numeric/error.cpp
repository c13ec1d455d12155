#include "numeric/error.hpp"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace numeric {

namespace {

std::string formatted(const char* format, va_list args)
{
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, again);
    va_end(again);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.pop_back();
    // The message goes without its line end: whoever tells it adds one.
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

}  // namespace

void nrerror(const char* message) { throw failure(failure_kind::numerical, message); }

void fatal(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = formatted(format, args);
    va_end(args);
    throw failure(failure_kind::numerical, text);
}

void refuse(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = formatted(format, args);
    va_end(args);
    throw failure(failure_kind::refused, text);
}

void fail(failure_kind kind, bool complaint, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = formatted(format, args);
    va_end(args);
    throw failure(kind, text, complaint);
}

}  // namespace numeric
