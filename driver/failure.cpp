#include "driver/failure.hpp"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace driver {

void fail(sin_cos::errc kind, bool complaint, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, again);
    va_end(again);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.pop_back();
    }
    va_end(args);
    // The message goes without its line end: whoever tells it adds one.
    while (!text.empty() && text.back() == '\n') text.pop_back();
    if (complaint) throw driver::complaint(kind, text);
    throw sin_cos::error(kind, text);
}

}  // namespace driver
