#include "sin_cos/table_text.hpp"

#include "numeric/digits.hpp"
#include "number_text.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

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

// GCC and Clang on 64-bit targets, the only ones the tool is built for.
__extension__ typedef unsigned __int128 u128;

// std::to_chars with a precision formats as printf does in the C locale,
// rounding the exact binary value; infinities and NaNs (whose sign printf
// shows as "-nan") go through printf itself. The numbers the fast ways below
// leave to it are rare in a table: beyond 2^63 in "%f", beyond 2^53 or below
// 2^-50 in "%20.16e".
template <class Format>
char* put_slow(char* at, double v, std::chars_format style, int precision, Format printf_format)
{
    if (!std::isfinite(v)) return at + std::snprintf(at, number_room, printf_format, v);
    return std::to_chars(at, at + number_room, v, style, precision).ptr;
}

constexpr char two_digits[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Exactly `count` digits of v < 10^count, with leading zeros.
inline void put_digits(char* at, std::uint64_t v, int count)
{
    char* p = at + count;
    for (; count >= 2; count -= 2) {
        p -= 2;
        std::memcpy(p, two_digits + 2 * (v % 100), 2);
        v /= 100;
    }
    if (count == 1) *--p = static_cast<char>('0' + v);
}

inline char* put_integer(char* at, std::uint64_t v)
{
    int count = 1;
    for (std::uint64_t bound = 10; count < 20 && v >= bound; bound *= 10) ++count;
    put_digits(at, v, count);
    return at + count;
}

// A finite double as m * 2^e, m an integer below 2^53.
struct binary {
    bool negative;
    std::uint64_t m;
    int e;
};

inline binary split(double v)
{
    const auto bits = std::bit_cast<std::uint64_t>(v);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0) return {(bits >> 63) != 0, fraction, -1074};
    return {(bits >> 63) != 0, fraction | (std::uint64_t{1} << 52), biased - 1075};
}

// n / 2^k rounded to the nearest, ties to even: printf's rounding of an exact
// binary value. k below 128.
inline std::uint64_t round_shift(u128 n, int k)
{
    if (k == 0) return static_cast<std::uint64_t>(n);
    const u128 q = n >> k;
    const u128 rest = n & ((u128{1} << k) - 1);
    const u128 half = u128{1} << (k - 1);
    return static_cast<std::uint64_t>(q) + (rest > half || (rest == half && (q & 1) != 0) ? 1 : 0);
}

constexpr std::uint64_t million = 1000000;
constexpr std::uint64_t ten16 = 10000000000000000ULL;

// 5^p for p in [0, 33]: 5^33 * 2^53 still fits in 128 bits.
constexpr auto powers_of_five = [] {
    std::array<u128, 34> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 5;
    return p;
}();

// floor(v * 10^p) and whether the rest reaches or passes one half (0: below,
// 1: exactly, 2: above), for v = m * 2^e and 0 <= p <= 33, where v * 10^p is
// below 2^64.
inline std::uint64_t scaled(const binary& b, int p, int* rest_vs_half)
{
    const u128 n = b.m * powers_of_five[static_cast<std::size_t>(p)];
    const int s = b.e + p;
    if (s >= 0) {
        *rest_vs_half = 0;
        return static_cast<std::uint64_t>(n << s);
    }
    const int k = -s;
    const u128 rest = n & ((u128{1} << k) - 1);
    const u128 half = u128{1} << (k - 1);
    *rest_vs_half = rest < half ? 0 : rest == half ? 1 : 2;
    return static_cast<std::uint64_t>(n >> k);
}

}  // namespace

char* put_fixed6(char* at, double v)
{
    if (!std::isfinite(v)) return put_slow(at, v, std::chars_format::fixed, 6, "%f");
    const binary b = split(v);
    if (b.e > 10) return put_slow(at, v, std::chars_format::fixed, 6, "%f");  // 2^63 and beyond
    if (b.negative) *at++ = '-';
    std::uint64_t whole = 0;
    std::uint64_t decimals = 0;  // the six of them as one integer
    if (b.e >= 0) {
        whole = b.m << b.e;
    } else if (b.e > -74) {
        // Below 2^-74 the fraction's millionfold stays under one half.
        const int k = -b.e;
        whole = k < 64 ? b.m >> k : 0;
        const std::uint64_t part = k < 64 ? b.m & ((std::uint64_t{1} << k) - 1) : b.m;
        // The parity of the whole millionfold is that of its six decimals.
        decimals = round_shift(u128{part} * million, k);
        if (decimals == million) {
            ++whole;
            decimals = 0;
        }
    }
    at = put_integer(at, whole);
    *at++ = '.';
    put_digits(at, decimals, 6);
    return at + 6;
}

char* put_sci16(char* at, double v)
{
    if (!std::isfinite(v)) return put_slow(at, v, std::chars_format::scientific, 16, "%20.16e");
    const binary b = split(v);
    // |v| in [2^-50, 2^53): the exponent of ten d is in [-16, 15], and v's 17
    // digits are v * 10^(16 - d) with 16 - d in [1, 32].
    const int two = 52 + b.e;  // floor(log2 |v|) for a normal v
    if (b.m == 0) {
        if (b.negative) *at++ = '-';
        std::memcpy(at, "0.0000000000000000e+00", 22);
        return at + 22;
    }
    if (b.m < (std::uint64_t{1} << 52) || two < -50 || two >= 53)
        return put_slow(at, v, std::chars_format::scientific, 16, "%20.16e");
    // floor(two * log10(2)) is d or d - 1.
    int d = ((two * 78913) >> 18) + 1;
    int rest_vs_half = 0;
    std::uint64_t digits = scaled(b, 16 - d, &rest_vs_half);
    if (digits < ten16) {
        --d;
        digits = scaled(b, 16 - d, &rest_vs_half);
    }
    if (rest_vs_half == 2 || (rest_vs_half == 1 && (digits & 1) != 0)) ++digits;
    if (digits == 10 * ten16) {
        digits = ten16;
        ++d;
    }
    if (b.negative) *at++ = '-';
    const std::uint64_t lead = digits / ten16;
    const std::uint64_t tail = digits - lead * ten16;
    *at++ = static_cast<char>('0' + lead);
    *at++ = '.';
    put_digits(at, tail / 100000000, 8);
    put_digits(at + 8, tail % 100000000, 8);
    at += 16;
    *at++ = 'e';
    *at++ = d < 0 ? '-' : '+';
    put_digits(at, static_cast<std::uint64_t>(d < 0 ? -d : d), 2);
    return at + 2;
}

namespace {

template <char* (*put)(char*, double)>
void append(std::string& out, double v)
{
    char buffer[number_room];
    out.append(buffer, put(buffer, v));
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

void fixed6(std::string& out, double v) { append<put_fixed6>(out, v); }

void sci16(std::string& out, double v) { append<put_sci16>(out, v); }

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

namespace {

void header(std::string& out, double H, int M, int n, double xini, double xfin, double loss, double a)
{
    exact(out, H);
    out += ' ' + std::to_string(M) + ' ' + std::to_string(n) + ' ';
    exact(out, xini);
    out += ' ';
    exact(out, xfin);
    out += ' ';
    fixed6(out, loss);
    out += "  ";
    sci16(out, a);
    out += '\n';
}

// "%20.16e" of a finite double or an infinity takes at most 24 characters; a
// NaN's "-nan" is padded to 20.
constexpr std::size_t edge_line = 25;

char* put_edges(char* at, const double x[], int from, int to)
{
    for (int i = from; i < to; ++i) {
        at = put_sci16(at, x[i]);
        *at++ = '\n';
    }
    return at;
}

}  // namespace

void histogram(std::string& out, double H, int M, int n, double xini, double xfin, double loss, double a,
               const double x[])
{
    header(out, H, M, n, xini, xfin, loss, a);
    if (n <= 0) return;
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(n) * edge_line);
    char* const end = put_edges(out.data() + start, x, 0, n);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

files::text_pieces table_pieces(double H, int M, int n, double xini, double xfin, double loss, double a,
                                const double x[])
{
    std::string head = banner(n);
    header(head, H, M, n, xini, xfin, loss, a);
    return [head = std::move(head), x, n, next = -1](char* at, std::size_t room) mutable -> std::size_t {
        char* const start = at;
        if (next < 0) {
            // Four numbers of at most number_room characters: well within a piece.
            at = std::copy(head.begin(), head.end(), at);
            room -= head.size();
            next = 0;
        }
        const int left = std::max(n - next, 0);
        const int lines = static_cast<int>(std::min(room / edge_line, static_cast<std::size_t>(left)));
        at = put_edges(at, x, next, next + lines);
        next += lines;
        return static_cast<std::size_t>(at - start);
    };
}

std::string histogram(double H, int M, int n, double xini, double xfin, double loss, double a, const double x[])
{
    std::string text;
    histogram(text, H, M, n, xini, xfin, loss, a, x);
    return text;
}

}  // namespace sin_cos::text

namespace sin_cos::text {

std::string shortest(double v) { return numeric::shortest(v); }

}  // namespace sin_cos::text
