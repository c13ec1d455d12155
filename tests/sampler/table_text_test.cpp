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
