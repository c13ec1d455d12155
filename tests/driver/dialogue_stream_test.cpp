// The dialogue against plain scanf calls on the same bytes: random streams of
// numbers, signs, dots, broken exponents, hex floats, nan and inf, words and
// blanks, read by the dialogue and by a plain model of it. Same values, same
// outcome, same input left over; an integer that does not fit an int is the
// one place they part, by design: the model says where scanf would wrap.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "driver/dialogue.hpp"
#include "driver/scanf_reader.hpp"
#include "sin_cos/error.hpp"

namespace {

struct answers {
    int n = 5000;
    double xini = -1, xfin = 1, H = 2;
    int M = 4;
    int status = 0;
    long left = 0;  // characters of the input not consumed

    bool operator==(const answers& o) const
    {
        auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
        return n == o.n && same(xini, o.xini) && same(xfin, o.xfin) && same(H, o.H) && M == o.M &&
               status == o.status && left == o.left;
    }
};

std::FILE* open_bytes(const std::string& bytes)
{
    // fmemopen of zero bytes fails: an empty input is an empty file.
    return bytes.empty() ? std::tmpfile() : fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "r");
}

bool valid_H(double h) { return !(h < 1) && std::isfinite(h); }
bool valid_M(int m) { return !(m & 1) && m >= 0; }

constexpr int too_large = 2;

// "%d" as scanf reads it, and whether the digits it took fit an int.
int plain_int(std::FILE* f, const std::string& bytes, int* value)
{
    const int before = *value;
    const long from = std::ftell(f);
    const int got = std::fscanf(f, "%d", value);
    if (got != 1) return got;
    std::string text = bytes.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(std::ftell(f) - from));
    text.erase(0, text.find_first_not_of(" \t\n\v\f\r"));
    const bool minus = text[0] == '-';
    if (text[0] == '-' || text[0] == '+') text.erase(0, 1);
    text.erase(0, text.find_first_not_of('0'));
    if (text.size() > 10 || std::strtoll(text.c_str(), nullptr, 10) > (minus ? 2147483648LL : 2147483647LL)) {
        *value = before;
        return too_large;
    }
    return 1;
}

void drop_line(std::FILE* f)
{
    int c;
    while ((c = std::getc(f)) != '\n' && c != EOF) {
    }
}

answers plain_dialogue(const std::string& bytes)
{
    answers a;
    std::FILE* f = open_bytes(bytes);
    std::fscanf(f, "%lf", &a.xini);
    std::fscanf(f, "%lf", &a.xfin);
    for (;;) {
        const int got = std::fscanf(f, "%lf", &a.H);
        if (valid_H(a.H)) break;
        if (got == EOF) a.status = 255;
        if (got == EOF) break;
        if (got == 0) drop_line(f);
    }
    while (a.status == 0) {
        const int got = plain_int(f, bytes, &a.M);
        if (got != too_large && valid_M(a.M)) break;
        if (got == EOF) a.status = 255;
        if (got == 0) drop_line(f);
    }
    if (a.status == 0 && plain_int(f, bytes, &a.n) == too_large) a.status = 255;
    a.left = static_cast<long>(bytes.size()) - std::ftell(f);
    std::fclose(f);
    return a;
}

answers tool_dialogue(const std::string& bytes, std::FILE* sink)
{
    answers a;
    std::FILE* f = open_bytes(bytes);
    driver::scanf_reader in(f);
    try {
        driver::in_out(in, sink, sink, &a.n, &a.xini, &a.xfin, &a.H, &a.M);
    } catch (const sin_cos::error& failure) {
        a.status = failure.kind() == sin_cos::errc::refused ? 255 : 1;
    }
    a.left = static_cast<long>(bytes.size()) - static_cast<long>(in.position());
    std::fclose(f);
    return a;
}

std::string random_stream(std::mt19937_64& g)
{
    static const std::vector<std::string> words = {
        "-1", "1", "0", "2", "3", "4", "6", "7", "10", "-2", "0.5", "0.99", "2.11", "+2.11", "-0.3", "0.9",
        "1e0", "1E1", "3.", ".5", "-.5", "+4", "007", "2.5", "1e3", "4294967297", "99999999999999999999",
        "-2147483649", "2147483647", "2147483648", "-2147483648", "+", "-", "+-", "--", ".", "..", "1e", "2E+",
        "3e-", "1.5e", "1e--3", "0x1p1", "0x.8p1", "0x", "0X1P", "0x1.8", "0xg", "0x.", "-0x.8", "nan", "NaN", "na",
        "nax", "nan(1)", "inf", "infinity", "infin", "-inf", "INFx", "info", ",", "1,5", "abc", "e5", "x", "1ex",
        "1.2.3"};
    static const std::vector<std::string> gaps = {"", "", " ", " ", "\n", "\n", "\t", "  \n", "\r\n", "\v"};
    std::string s;
    const int count = static_cast<int>(g() % 15);
    for (int i = 0; i < count; ++i) {
        s += words[g() % words.size()];
        s += gaps[g() % gaps.size()];
    }
    return s;
}

std::string escaped(const std::string& s)
{
    std::string e;
    for (const char c : s) e += c == '\n' ? "\\n" : c == '\t' ? "\\t" : c == '\r' ? "\\r" : c == '\v' ? "\\v" : std::string(1, c);
    return e;
}

TEST(Dialogue, ReadsRandomStreamsAsPlainScanfCallsDo)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    ASSERT_NE(sink, nullptr);
    std::mt19937_64 g(20261209);
    constexpr int streams = 20000;
    for (int i = 0; i < streams; ++i) {
        const std::string bytes = random_stream(g);
        const answers plain = plain_dialogue(bytes);
        const answers tool = tool_dialogue(bytes, sink);
        if (!(plain == tool)) {
            std::fclose(sink);
            FAIL() << "stream " << i << ": \"" << escaped(bytes) << "\"\n  scanf: n=" << plain.n
                   << " xini=" << plain.xini << " xfin=" << plain.xfin << " H=" << plain.H << " M=" << plain.M
                   << " status=" << plain.status << " left=" << plain.left << "\n  tool:  n=" << tool.n
                   << " xini=" << tool.xini << " xfin=" << tool.xfin << " H=" << tool.H << " M=" << tool.M
                   << " status=" << tool.status << " left=" << tool.left;
        }
    }
    std::fclose(sink);
}

}  // namespace
