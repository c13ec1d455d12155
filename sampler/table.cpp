#include "sin_cos/table.hpp"

#include <locale.h>
#include <sys/stat.h>
#include <stdlib.h>

#include "envelope/build.hpp"
#include "envelope/law/soundness.hpp"
#include "table_check.hpp"
#include "sin_cos/table_text.hpp"

#include <cerrno>
#include <cstring>
#include <charconv>
#include <cmath>
#include <fstream>
#include <istream>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace sin_cos {

namespace {

using sin_cos::detail::header_line;
using sin_cos::detail::header_rounding;

constexpr std::streamsize max_line = text::max_line;

std::string where(const std::string& source, int line)
{
    return line > 0 ? source + ":" + std::to_string(line) + ": " : source + ": ";
}

[[noreturn]] void malformed(const std::string& source, int line, const std::string& what)
{
    throw table_error(errc::malformed, source, line, what);
}

// A file that cannot be opened, or a folder, is no table at all: io_error.
void open_table_file(std::ifstream& in, const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        throw io_error(path, EISDIR, where(path, 0) + "cannot read the table file: " + std::strerror(EISDIR));
    }
    errno = 0;
    in.open(path);
    if (!in) {
        const int error = errno;
        throw io_error(path, error, where(path, 0) + "cannot open the table file" +
                                        (error != 0 ? ": " + std::string(std::strerror(error)) : std::string()));
    }
}

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
        if (!read()) malformed(source_, number_ + 1, std::string("file ends here; expected ") + expected);
        return text_;
    }

    bool at_end()
    {
        while (read()) {
            if (!split(text_).empty()) return false;
        }
        return true;
    }

    int number() const { return number_; }
    const std::string& current() const { return text_; }

private:
    bool read()
    {
        char buffer[max_line + 2];
        in_.getline(buffer, sizeof buffer);
        const std::streamsize got = in_.gcount();
        if (in_.bad()) malformed(source_, number_ + 1, "read error");
        if (in_.fail() && got == 0) return false;  // the end of the file
        const std::streamsize length = in_.eof() || in_.fail() ? got : got - 1;
        if (in_.fail() || length > max_line)
            malformed(source_, number_ + 1,
                      "the line is longer than " + std::to_string(max_line) + " characters: not a table line");
        ++number_;
        text_.assign(buffer, static_cast<std::size_t>(length));
        if (!text_.empty() && text_.back() == '\r') text_.pop_back();
        return true;
    }

    std::istream& in_;
    const std::string& source_;
    std::string text_;
    int number_ = 0;
};

}  // namespace

table_error::table_error(errc kind, const std::string& source, int line, const std::string& what)
    : error(kind, where(source, line) + what), line_(line)
{
}

namespace {

// A header line, its edges and where they start, not yet checked.
struct parsed {
    sin_cos::table table;
    int header_at;
};

std::string shifted_line_mentions(std::string what, int shift)
{
    // The soundness messages count lines as in a file of one histogram.
    const std::string mark = "(line ";
    for (std::size_t at = what.find(mark); at != std::string::npos; at = what.find(mark, at + 1)) {
        const std::size_t digits = at + mark.size();
        const std::size_t close = what.find(')', digits);
        int line = 0;
        if (close == std::string::npos || !parse(std::string_view(what).substr(digits, close - digits), line))
            continue;
        what.replace(digits, close - digits, std::to_string(line + shift));
    }
    return what;
}

}  // namespace

// `label` names the histogram in a file of several, "" in a file of one.
void validate_at(const sin_cos::table& t, const std::string& source, int header_at, const std::string& label)
{
    const std::size_t n = t.bins();
    if (n < 1) malformed(source, header_at, label + "the table has no bins");
    const sin_cos::detail::stored_table stored{t.H, t.M, t.xini, t.xfin, t.loss, t.a, t.edges.data(), n};
    if (const auto fault = sin_cos::detail::soundness_fault(stored)) {
        const int shift = header_at - header_line;
        std::string what = label + shifted_line_mentions(fault->what, shift);
        if (fault->slow_rate > 0) {
            // Said with what the tool makes of this law instead.
            const auto enough = envelope::bins_for_rate(t.H, t.M, t.xini, t.xfin, 1);
            if (enough) what += "; with sin_cos --tight, n=" + std::to_string(*enough) + " or more bins clear it";
        }
        throw table_error(fault->malformed ? errc::malformed : errc::unsound, source,
                          fault->line > 0 ? fault->line + shift : 0, what);
    }
}

std::vector<sin_cos::table> read_tables(std::istream& in, const std::string& source)
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

    std::vector<parsed> histograms;
    // The first header follows the banner; a later one is the next line that is not blank.
    std::string text = lines.next("the header line H M n xini xfin loss a");
    for (;;) {
        const int header_at = lines.number();
        const auto header = split(text);
        if (!histograms.empty() && header.size() != 7) {
            malformed(source, header_at,
                      "unexpected text after the last of the " + std::to_string(nd_poi) +
                          " edges: expected the header line of another histogram");
        }
        sin_cos::table t;
        int n = 0;
        if (header.size() != 7 || !parse(header[0], t.H) || !parse(header[1], t.M) || !parse(header[2], n) ||
            !parse(header[3], t.xini) || !parse(header[4], t.xfin) || !parse(header[5], t.loss) ||
            !parse(header[6], t.a))
            malformed(source, header_at, "expected the header line H M n xini xfin loss a");
        if (n != nd_poi)
            malformed(source, header_at,
                      "the header gives " + std::to_string(n) + " bins but Nd_poi is " + std::to_string(nd_poi));
        if (n < 1) malformed(source, header_at, "the bin count must be at least 1, not " + std::to_string(n));

        for (int i = 0; i < n; ++i) {
            const std::string expected = "edge " + std::to_string(i + 1) + " of " + std::to_string(n);
            const auto tokens = split(lines.next(expected.c_str()));
            double edge = 0;
            if (tokens.size() != 1 || !parse(tokens[0], edge))
                malformed(source, lines.number(), "expected " + expected);
            t.edges.push_back(edge);
        }
        // The first edge carries xini at full precision, the header only six decimals.
        if (std::fabs(t.edges[0] - t.xini) <= header_rounding) t.xini = t.edges[0];
        t.edges.push_back(t.xfin);
        histograms.push_back({std::move(t), header_at});
        if (lines.at_end()) break;
        text = lines.current();
    }

    const std::size_t count = histograms.size();
    std::vector<sin_cos::table> tables;
    tables.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        const std::string label =
            count == 1 ? "" : "histogram " + std::to_string(k + 1) + " of " + std::to_string(count) + ": ";
        validate_at(histograms[k].table, source, histograms[k].header_at, label);
        tables.push_back(std::move(histograms[k].table));
    }
    return tables;
}

std::vector<sin_cos::table> load_tables(const std::string& path)
{
    std::ifstream in;
    open_table_file(in, path);
    return read_tables(in, path);
}

sin_cos::table read_table(std::istream& in, const std::string& source)
{
    std::vector<sin_cos::table> tables = read_tables(in, source);
    if (tables.size() != 1) {
        malformed(source, 0,
                  "the file holds " + std::to_string(tables.size()) +
                      " histograms, not one: load_tables reads them all, or choose one by its index");
    }
    return std::move(tables.front());
}

sin_cos::table load_table(const std::string& path)
{
    std::ifstream in;
    open_table_file(in, path);
    return read_table(in, path);
}

sin_cos::table load_table(const std::string& path, std::size_t index)
{
    std::vector<sin_cos::table> tables = load_tables(path);
    if (index >= tables.size()) {
        throw error(errc::invalid_argument, path + ": no histogram " + std::to_string(index) + ": the file holds " +
                                std::to_string(tables.size()) + ", numbered from 0");
    }
    return std::move(tables[index]);
}

void validate(const sin_cos::table& t, const std::string& source) { validate_at(t, source, header_line, ""); }

}  // namespace sin_cos
