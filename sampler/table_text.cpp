#include "sin_cos/table_text.hpp"

#include "numeric/digits.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <locale>
#include <sstream>
#include <system_error>
#include <version>

namespace sin_cos::text {

namespace {

// Wide enough for "%f" of the largest double (309 digits before the point).
constexpr int room = 400;

// std::to_chars with a precision formats as printf does in the C locale,
// rounding the exact binary value; infinities and NaNs (whose sign printf
// shows as "-nan") go through printf itself.
template <class Format>
void append(std::string& out, double v, std::chars_format style, int precision, Format printf_format)
{
    char buffer[room];
    if (!std::isfinite(v)) {
        const int length = std::snprintf(buffer, sizeof buffer, printf_format, v);
        out.append(buffer, static_cast<std::size_t>(length));
        return;
    }
    const auto done = std::to_chars(buffer, buffer + room, v, style, precision);
    out.append(buffer, done.ptr);
}

// Reads text back as the C locale reads it, whatever locale the program runs
// in, the whole text a number: std::from_chars rounds correctly as strtod
// does, without a stream and its locale for each number; a library without it
// for doubles (libc++ before 17) reads through a stream.
bool reads_back_as(const std::string& text, double v)
{
    double back = 0;
#if defined(__cpp_lib_to_chars)
    const char* end = text.data() + text.size();
    const auto done = std::from_chars(text.data(), end, back);
    const bool whole = done.ec == std::errc() && done.ptr == end;
#else
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    in >> back;
    const bool whole = !in.fail() && in.peek() == std::char_traits<char>::eof();
#endif
    return whole && std::memcmp(&back, &v, sizeof v) == 0;
}

}  // namespace

void fixed6(std::string& out, double v) { append(out, v, std::chars_format::fixed, 6, "%f"); }

void sci16(std::string& out, double v) { append(out, v, std::chars_format::scientific, 16, "%20.16e"); }

void exact(std::string& out, double v)
{
    std::string six;
    fixed6(six, v);
    out += std::isfinite(v) && !reads_back_as(six, v) ? numeric::shortest(v) : six;
}

std::string banner(int n)
{
    std::string text = "********* copy this line at the beginning of the main program ******\n";
    text += "#define Nd_poi                   " + std::to_string(n) + "    // nb of points of each histogram\n";
    text += "$*********************** end copy **********************************\n";
    return text;
}

std::string histogram(double H, int M, int n, double xini, double xfin, double loss, double a, const double x[])
{
    std::string text;
    text.reserve(100 + static_cast<std::size_t>(n > 0 ? n : 0) * 24);
    exact(text, H);
    text += ' ' + std::to_string(M) + ' ' + std::to_string(n) + ' ';
    exact(text, xini);
    text += ' ';
    exact(text, xfin);
    text += ' ';
    fixed6(text, loss);
    text += "  ";
    sci16(text, a);
    text += '\n';
    for (int i = 0; i < n; ++i) {
        sci16(text, x[i]);
        text += '\n';
    }
    return text;
}

}  // namespace sin_cos::text

namespace sin_cos::text {

std::string shortest(double v) { return numeric::shortest(v); }

}  // namespace sin_cos::text
