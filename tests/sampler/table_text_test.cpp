#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "sin_cos/table_text.hpp"

namespace {

std::string printf_of(const char* format, double v)
{
    char text[512];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

// The file text must be printf's, byte for byte: exact ties, signed zeros and
// tiny negatives, the largest and smallest doubles, and random bit patterns
// and decimals.
TEST(TableText, WritesWhatPrintfWrites)
{
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values = {0.0, -0.0, -1e-9, 1e-9, 0.0078125, 0.5, 2.5, -2.5, 0.0000005, 1.0000005, 0.1234565,
                                  -1.0, 1.0, 2.11, 1e13, 1e300, -1e308, 4.9e-324, 2.2250738585072014e-308,
                                  std::numeric_limits<double>::max(), inf, -inf, std::nan(""), -std::nan("")};
    std::mt19937_64 bits(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 0; i < 50000; ++i) {
        values.push_back(std::bit_cast<double>(bits()));
        values.push_back(unit(bits));
        values.push_back(std::round(unit(bits) * 1e7) / 1e7);  // ties at the seventh decimal
        values.push_back(std::ldexp(static_cast<double>(bits() % 100000), -static_cast<int>(bits() % 30)));
    }
    for (const double v : values) {
        std::string six, sci;
        sin_cos::text::fixed6(six, v);
        sin_cos::text::sci16(sci, v);
        ASSERT_EQ(six, printf_of("%f", v)) << std::hexfloat << v;
        ASSERT_EQ(sci, printf_of("%20.16e", v)) << std::hexfloat << v;
    }
}

// The formatter computes its digits itself: every binary exponent, both
// signs and random mantissas (their ends too), then the numbers where its
// arithmetic turns: exact ties, both sides of the powers of ten and of the
// roundings that carry into a new digit. snprintf is the judge.
TEST(TableText, EveryExponentAsPrintfWrites)
{
#if defined(__SANITIZE_ADDRESS__)
    constexpr int mantissas = 12;
#else
    constexpr int mantissas = 100;
#endif
    std::mt19937_64 bits(2026);
    std::vector<double> values;
    const std::uint64_t fraction = (std::uint64_t{1} << 52) - 1;
    for (std::uint64_t exponent = 0; exponent < 0x7ff; ++exponent) {
        for (const std::uint64_t sign : {std::uint64_t{0}, std::uint64_t{1} << 63}) {
            const std::uint64_t top = sign | exponent << 52;
            for (const std::uint64_t m : {std::uint64_t{0}, std::uint64_t{1}, fraction - 1, fraction})
                values.push_back(std::bit_cast<double>(top | m));
            for (int i = 0; i < mantissas; ++i) values.push_back(std::bit_cast<double>(top | (bits() & fraction)));
        }
    }
    // Exact ties of the seventeenth digit (odd/2^j with eighteen digits, the
    // last a 5) and of the seventh decimal (odd multiples of 2^-7).
    int ties = 0;
    for (int i = 0; ties < 2000; ++i) {
        ASSERT_LT(i, 10000000) << "too few ties found";
        const double odd = static_cast<double>(bits() >> (11 + bits() % 40) | 1);
        const double v = std::ldexp(odd, -static_cast<int>(bits() % 90));
        char all[80];
        std::snprintf(all, sizeof all, "%.40e", v);
        const std::string digits = std::string(all, 1) + std::string(all + 2, 40);
        if (digits.find_last_not_of('0') == 17 && digits[17] == '5') {
            values.push_back(v);
            values.push_back(-v);
            ++ties;
        }
    }
    for (int k = 0; k < 4000; ++k) values.push_back(std::ldexp(2 * k + 1, -7) + (k % 3 == 0 ? 1e6 : 0));
    for (int p = -330; p <= 310; ++p) {
        for (const double base : {1.0, 9.5, 9.9999995, 9.99999999999999995, 5.0000005}) {
            double v = base * std::pow(10.0, p);
            for (int step = 0; step < 4; ++step) v = std::nextafter(v, 0.0);
            for (int step = 0; step < 8; ++step, v = std::nextafter(v, HUGE_VAL)) values.push_back(v);
        }
    }
    for (const double v : values) {
        std::string six, sci;
        sin_cos::text::fixed6(six, v);
        sin_cos::text::sci16(sci, v);
        ASSERT_EQ(six, printf_of("%f", v)) << std::hexfloat << v;
        ASSERT_EQ(sci, printf_of("%20.16e", v)) << std::hexfloat << v;
    }
}

// Header numbers: "%f" wherever that reads back exactly, else the fewest digits that do.
TEST(TableText, HeaderNumbersReadBackExactly)
{
    const struct {
        double v;
        const char* text;
    } cases[] = {{2.0, "2.000000"},           {-1.0, "-1.000000"},         {0.95, "0.950000"},
                 {1e13, "10000000000000.000000"}, {0.1234567, "0.1234567"}, {0.8660254037844386, "0.8660254037844386"},
                 {-0.99999999, "-0.99999999"}, {1e-8, "1e-08"},            {2.1234567, "2.1234567"}};
    for (const auto& c : cases) {
        std::string text;
        sin_cos::text::exact(text, c.v);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), c.v) << text;
    }
}

}  // namespace
