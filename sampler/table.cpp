#include "sin_cos/table.hpp"

#include <locale.h>
#include <stdlib.h>

#include "envelope/tight.hpp"
#include "numeric/digits.hpp"
#include "table_text.hpp"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <fstream>
#include <istream>
#include <new>
#include <sstream>
#include <string_view>

namespace sampler {

namespace {

constexpr int header_line = 4;
constexpr int first_edge_line = 5;
// The header prints xini and xfin with six decimals.
constexpr double header_rounding = 5e-7 * (1 + 1e-9);

std::string where(const std::string& source, int line)
{
    return line > 0 ? source + ":" + std::to_string(line) + ": " : source + ": ";
}

[[noreturn]] void malformed(const std::string& source, int line, const std::string& what)
{
    throw table_error(table_error::kind::malformed, source, line, what);
}

[[noreturn]] void unsound(const std::string& source, int line, const std::string& what)
{
    throw table_error(table_error::kind::unsound, source, line, what);
}

std::string show(double v) { return numeric::shortest(v); }

std::vector<std::string_view> split(std::string_view line)
{
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
        if (j > i) tokens.push_back(line.substr(i, j - i));
        i = j;
    }
    return tokens;
}

bool parse(std::string_view token, int& value)
{
    const char* end = token.data() + token.size();
    auto [ptr, ec] = std::from_chars(token.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// Correctly rounded like from_chars, whose floating-point form libc++ lacks,
// and in the C locale whatever the program's. The grammar is from_chars':
// strtod's leading '+' and hexadecimal form are refused.
bool parse(std::string_view token, double& value)
{
    static const locale_t c_numeric = newlocale(LC_ALL_MASK, "C", locale_t{});
    if (c_numeric == locale_t{}) throw std::bad_alloc();
    const std::size_t sign = token.substr(0, 1) == "-" ? 1 : 0;
    if (token.size() == sign || token[sign] == '+' || token.find_first_of("xX") != std::string_view::npos)
        return false;
    const std::string text(token);
    char* end = nullptr;
    errno = 0;
    value = strtod_l(text.c_str(), &end, c_numeric);
    const bool out_of_range = errno == ERANGE && (value == 0 || std::isinf(value));  // subnormals are numbers
    return !out_of_range && end == text.c_str() + text.size();
}

class line_reader {
public:
    line_reader(std::istream& in, const std::string& source) : in_(in), source_(source) {}

    // The next line, or a "truncated" error that says what was expected there.
    const std::string& next(const char* expected)
    {
        if (!std::getline(in_, text_)) {
            if (in_.bad()) malformed(source_, number_ + 1, "read error");
            malformed(source_, number_ + 1, std::string("file ends here; expected ") + expected);
        }
        ++number_;
        if (!text_.empty() && text_.back() == '\r') text_.pop_back();
        return text_;
    }

    bool at_end()
    {
        while (std::getline(in_, text_)) {
            ++number_;
            if (!split(text_).empty()) return false;
        }
        return true;
    }

    int number() const { return number_; }

private:
    std::istream& in_;
    const std::string& source_;
    std::string text_;
    int number_ = 0;
};

// Each bin's height against the density's maximum on it, which lies at an end
// or at a stationary point inside (+-xm where the density peaks, or 0 when
// M = 0): a table that does not cover its density would be sampled from the
// wrong law without a word.
void check_envelope(const Table& t, const std::string& source)
{
    const std::size_t n = t.bins();
    double peaks[2];
    int count = 0;
    if (t.M == 0) {
        peaks[count++] = 0.0;
    } else {
        const double xm = std::sqrt(t.M / ((t.M + t.H) - 1));
        peaks[count++] = -xm;
        peaks[count++] = xm;
    }
    double at_left = density(t.edges[0], t.H, t.M);
    for (std::size_t i = 0; i < n; ++i) {
        const double x0 = t.edges[i];
        const double x1 = t.edges[i + 1];
        const double at_right = density(x1, t.H, t.M);
        double top = at_left > at_right ? at_left : at_right;
        for (int k = 0; k < count; ++k) {
            if (x0 < peaks[k] && peaks[k] < x1) top = std::fmax(top, density(peaks[k], t.H, t.M));
        }
        const double height = t.height(i);
        if (!(height >= top)) {
            unsound(source, first_edge_line + static_cast<int>(i),
                    "bin " + std::to_string(i) + " on [" + show(x0) + ", " + show(x1) + "] has height " + show(height) +
                        ", below the density's maximum " + show(top) + " on it");
        }
        at_left = at_right;
    }
}

// The header's loss is the envelope's excess over the density's integral. An
// edited H or area that the envelope still covers shows here: the tool's loss
// comes from an integral good to far better than this tolerance.
void check_loss(const Table& t, const std::string& source)
{
    constexpr double tolerance = 1e-2;
    const double integral = envelope::density_integral(t.H, t.M, t.xini, t.xfin);
    if (!(integral > 0) || !std::isfinite(integral)) return;  // nothing to judge by
    const double stated = 1 + t.loss / 100;
    const double actual = static_cast<double>(t.bins()) * t.a / integral;
    if (!(std::fabs(actual / stated - 1) <= tolerance)) {
        unsound(source, header_line,
                "the loss " + show(t.loss) + "% does not belong to this table: its area and the density's integral give " +
                    show((actual - 1) * 100) + "%");
    }
}

}  // namespace

table_error::table_error(kind k, const std::string& source, int line, const std::string& what)
    : std::runtime_error(where(source, line) + what), kind_(k), line_(line)
{
}

Table read_table(std::istream& in, const std::string& source)
{
    line_reader lines(in, source);

    if (lines.next("the copy banner").find("copy this line") == std::string::npos)
        malformed(source, 1, "not a Sin_Cos table: the copy banner is missing");
    const auto define = split(lines.next("the Nd_poi line"));
    int nd_poi = 0;
    if (define.size() < 3 || define[0] != "#define" || define[1] != "Nd_poi" || !parse(define[2], nd_poi))
        malformed(source, 2, "expected \"#define Nd_poi <count>\"");
    if (lines.next("the end of the copy banner").rfind('$', 0) != 0)
        malformed(source, 3, "expected the end of the copy banner (a line starting with '$')");

    const auto header = split(lines.next("the header line H M n xini xfin loss a"));
    Table t;
    int n = 0;
    if (header.size() != 7 || !parse(header[0], t.H) || !parse(header[1], t.M) || !parse(header[2], n) ||
        !parse(header[3], t.xini) || !parse(header[4], t.xfin) || !parse(header[5], t.loss) ||
        !parse(header[6], t.a))
        malformed(source, header_line, "expected the header line H M n xini xfin loss a");
    if (n != nd_poi)
        malformed(source, header_line,
                  "the header gives " + std::to_string(n) + " bins but Nd_poi is " + std::to_string(nd_poi));
    if (n < 1) malformed(source, header_line, "the bin count must be at least 1, not " + std::to_string(n));

    for (int i = 0; i < n; ++i) {
        const std::string expected = "edge " + std::to_string(i + 1) + " of " + std::to_string(n);
        const auto tokens = split(lines.next(expected.c_str()));
        double edge = 0;
        if (tokens.size() != 1 || !parse(tokens[0], edge)) malformed(source, lines.number(), "expected " + expected);
        t.edges.push_back(edge);
    }
    if (!lines.at_end())
        malformed(source, lines.number(), "unexpected text after the last of the " + std::to_string(n) + " edges");

    // The first edge carries xini at full precision, the header only six decimals.
    if (std::fabs(t.edges[0] - t.xini) <= header_rounding) t.xini = t.edges[0];
    t.edges.push_back(t.xfin);
    validate(t, source);
    check_loss(t, source);
    return t;
}

Table load_table(const std::string& path)
{
    std::ifstream in(path);
    if (!in) malformed(path, 0, "cannot open the table file");
    return read_table(in, path);
}

void validate(const Table& t, const std::string& source)
{
    const std::size_t n = t.bins();
    if (n < 1) malformed(source, header_line, "the table has no bins");
    if (!(std::isfinite(t.H) && t.H >= 1))
        malformed(source, header_line, "H = " + show(t.H) + " must be finite and at least 1");
    if (t.M < 0 || t.M % 2 != 0)
        malformed(source, header_line, "M = " + std::to_string(t.M) + " must be even and >= 0");
    if (!(-1 <= t.xini && t.xini < t.xfin && t.xfin <= 1))
        malformed(source, header_line,
                  "the interval [" + show(t.xini) + ", " + show(t.xfin) + "] must lie inside [-1, 1]");
    if (!std::isfinite(t.loss)) malformed(source, header_line, "the loss is not a number");
    if (!(t.a > 0 && std::isfinite(t.a)))
        unsound(source, header_line, "the bin area a = " + show(t.a) + " is not positive");
    if (t.loss < 0) unsound(source, header_line, "the loss " + show(t.loss) + "% is negative");

    for (std::size_t i = 0; i < n; ++i) {
        const int line = first_edge_line + static_cast<int>(i);
        if (!std::isfinite(t.edges[i])) malformed(source, line, "the edge is not a finite number");
        if (i == 0 && std::fabs(t.edges[0] - t.xini) > header_rounding)
            malformed(source, line, "the first edge " + show(t.edges[0]) + " is not xini = " + show(t.xini));
        if (i + 1 < n && !(t.edges[i + 1] > t.edges[i]))
            unsound(source, line + 1,
                    "the edges do not increase: " + show(t.edges[i + 1]) + " follows " + show(t.edges[i]) +
                        " (line " + std::to_string(line) + ")");
    }
    if (std::fabs(t.edges[n] - t.xfin) > header_rounding)
        malformed(source, header_line, "the last bin ends at " + show(t.edges[n]) + ", not at xfin = " + show(t.xfin));
    if (!(t.edges[n] > t.edges[n - 1]))
        malformed(source, header_line,
                  "xfin = " + show(t.edges[n]) + " does not exceed the last edge " + show(t.edges[n - 1]) + " (line " +
                      std::to_string(first_edge_line + static_cast<int>(n) - 1) + ")");
    check_envelope(t, source);
}

}  // namespace sampler
