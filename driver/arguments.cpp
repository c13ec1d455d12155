#include "driver/arguments.hpp"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <istream>
#include <string>
#include <string_view>

#include "sin_cos/law.hpp"
#include "sin_cos/table_text.hpp"

#ifndef SIN_COS_VERSION
#define SIN_COS_VERSION "unknown"
#endif

namespace driver {

namespace {

const char* const usage =
    "usage: sin_cos [--tight] [--output DIR] [--help] [--version]\n"
    "       sin_cos [--tight] [--output DIR] [--] XINI XFIN H M N\n"
    "       sin_cos [--tight] [--output DIR] [--plot K] --bins N (--law XINI XFIN H M | --laws FILE)...\n";

const char* const help =
    "Prepares the lookup table from which a Monte Carlo program draws random numbers\n"
    "with the density P(x) = x^M (1 - x^2)^((H-1)/2) on [xini, xfin] inside [-1, 1]\n"
    "(the angle law sin(y)^H cos(y)^M dy with x = cos y): n bins of equal area whose\n"
    "staircase covers the density, calibrated and enlarged by a margin of 0.1 %.\n"
    "\n"
    "Without answers on the command line they are read from standard input after\n"
    "their prompts, in this order; an answer that cannot be read keeps its default\n"
    "(at a terminal it is asked again), and a refused one is told on standard error\n"
    "with the answer then read in its place:\n"
    "  xini  left end of the interval, >= -1         (default -1)\n"
    "  xfin  right end of the interval, <= 1         (default 1)\n"
    "  H     exponent, a real number >= 1 (asked again if not)     (default 2)\n"
    "  M     exponent, an even integer >= 0 (asked again if not)   (default 4)\n"
    "  n     number of bins, 1 to 100000             (default 5000)\n"
    "\n"
    "With answers on the command line no dialogue runs and nothing is read from\n"
    "standard input: the five answers XINI XFIN H M N in that order (after \"--\" if\n"
    "you like), or any number of laws with one bin count: --bins N and, in the order\n"
    "their histograms take in the table file, --law XINI XFIN H M for each law or\n"
    "--laws FILE for a file of one law \"xini xfin H M\" a line (blank lines and\n"
    "text after '#' are skipped; a line is text of at most 4096 characters). Each\n"
    "argument is one whole number; the checks are the dialogue's, and the laws\n"
    "times N are at most 10000000 edges. A value that fails them ends the run with\n"
    "status 255 before any file is touched. The laws are built side by side on\n"
    "every core.\n"
    "\n"
    "Files written in the current directory, or in DIR with --output DIR:\n"
    "  Sin_Cos.res        the table: a three-line banner to paste into the simulation,\n"
    "                     then for each law the line H M n xini xfin loss a (loss: the\n"
    "                     envelope's excess area in percent; a: the common bin area)\n"
    "                     and the n left bin edges, one per line\n"
    "  Sin_Cos_g1_f1.res  for plotting: both ends of every bin with the density there\n"
    "                     and the bin's height, for the last law (or --plot's)\n"
    "\n"
    "Options:\n"
    "  --tight      the lowest loss n equal-area bins allow: the default calibration\n"
    "               is not run; the bins end exactly at xfin, every height is the\n"
    "               density's exact maximum on its bin times the margin 1.001, and\n"
    "               every valid input gets a table (with n = 100000 the loss is\n"
    "               about 0.1 %) but one a draw cannot live with (an acceptance\n"
    "               rate below 1e-7: one or two bins around a peak of x^M, M above\n"
    "               about 10^7)\n"
    "  --bins N     the number of bins of every law given by --law or --laws\n"
    "  --law XINI XFIN H M\n"
    "               one more law\n"
    "  --laws FILE  one more law for each line of FILE\n"
    "  --plot K     the plot file shows the histogram of the K-th law (from 1)\n"
    "  --output DIR write both files into the folder DIR, made if missing\n"
    "  --help       show this text\n"
    "  --version    show the version\n"
    "Options that take one value also take it as --bins=N.\n"
    "\n"
    "Exit status: 0 when the table is written; 1 on a numerical failure, when no sound\n"
    "table can be made (the first such law is named) or a file cannot be written;\n"
    "255 for a refused answer or argument.\n";

[[noreturn]] void refuse(const std::string& message)
{
    std::fprintf(stderr, "sin_cos: %s\n%s", message.c_str(), usage);
    std::exit(-1);
}

// One value as given, and where: "argument 4", "laws.txt:17".
struct given {
    std::string text;
    std::string where;
    int at = 0;  // the argument's number, 0 for a file's value
};

double real_value(const given& v, const char* name)
{
    const char* s = v.text.c_str();
    char* end = nullptr;
    const double value = *s == '\0' || std::isspace(static_cast<unsigned char>(*s)) ? 0 : std::strtod(s, &end);
    if (end == nullptr || end == s || *end != '\0')
        refuse(v.where + ": " + name + "=\"" + v.text + "\" is not a number");
    return value;
}

int int_value(const given& v, const char* name)
{
    const char* s = v.text.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = *s == '\0' || std::isspace(static_cast<unsigned char>(*s)) ? 0 : std::strtol(s, &end, 10);
    if (end == nullptr || end == s || *end != '\0')
        refuse(v.where + ": " + name + "=\"" + v.text + "\" is not an integer");
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX)
        refuse(v.where + ": " + name + "=" + v.text + " does not fit an int");
    return static_cast<int>(value);
}

bool is_number(const char* s)
{
    char* end = nullptr;
    std::strtod(s, &end);
    return end != s && *end == '\0';
}

// xini, xfin, H and M, each checked as the dialogue checks its answers.
law_answers checked_law(const given v[4], const std::string& interval_where)
{
    law_answers law{real_value(v[0], "xini"), real_value(v[1], "xfin"), real_value(v[2], "H"), int_value(v[3], "M")};
    // The law's own rules; the words name the values as they were typed.
    switch (sin_cos::fault_of(sin_cos::law{law.xini, law.xfin, law.H, law.M}, true)) {
    case sin_cos::law_fault::none:
        break;
    case sin_cos::law_fault::interval:
        refuse(interval_where + ": xini=" + v[0].text + ", xfin=" + v[1].text +
               ": the interval must satisfy -1 <= xini < xfin <= 1");
    case sin_cos::law_fault::odd_M:
    case sin_cos::law_fault::negative_M:
        refuse(v[3].where + ": M=" + v[3].text + " must be even and >= 0");
    case sin_cos::law_fault::low_H:
    case sin_cos::law_fault::infinite_H:
        refuse(v[2].where + ": H=" + v[2].text + " must be a finite number >= 1");
    }
    return law;
}

std::string argument(int i) { return "argument " + std::to_string(i); }

std::string arguments(int first, int second)
{
    return "arguments " + std::to_string(first) + " and " + std::to_string(second);
}

// The next line of a law file without its line end, or false at the end of
// the file. A law file is short lines of text: a line longer than the table
// files' limit (a file without line ends, such as /dev/zero) or a control
// character (a NUL byte would hide the rest of a value from the reading of
// numbers) ends the run naming the line; a tab, and a carriage return right
// before the line end, are text.
bool law_line(std::istream& in, const std::string& where, std::string& line)
{
    constexpr int eof = std::char_traits<char>::eof();
    line.clear();
    bool ended = false;
    for (int c; (c = in.get()) != eof;) {
        if (c == '\n') {
            ended = true;
            break;
        }
        if (c == '\r' && (in.peek() == '\n' || in.peek() == eof)) continue;
        if ((c < 0x20 && c != '\t') || c == 0x7f) {
            char what[64];
            if (c == 0) std::snprintf(what, sizeof what, "a NUL byte");
            else std::snprintf(what, sizeof what, "the control character 0x%02x", static_cast<unsigned>(c));
            refuse(where + ": " + what + " at column " + std::to_string(line.size() + 1) + ": a law line is text");
        }
        if (line.size() == sin_cos::text::max_line)
            refuse(where + ": the line is longer than " + std::to_string(sin_cos::text::max_line) +
                   " characters: not a law line");
        line.push_back(static_cast<char>(c));
    }
    return ended || !line.empty();
}

void read_law_file(const given& file, std::vector<law_answers>& laws)
{
    std::ifstream in(file.text, std::ios::binary);
    if (!in) refuse(file.where + ": cannot read the law file \"" + file.text + "\": " + std::strerror(errno));
    const std::size_t before = laws.size();
    std::string line;
    for (int number = 1;; ++number) {
        const std::string where = file.text + ":" + std::to_string(number);
        if (!law_line(in, where, line)) break;
        line = line.substr(0, line.find('#'));
        given v[4];
        std::size_t found = 0;
        for (std::size_t i = 0; i < line.size();) {
            const std::size_t start = line.find_first_not_of(" \t", i);
            if (start == std::string::npos) break;
            const std::size_t stop = std::min(line.find_first_of(" \t", start), line.size());
            if (found < 4) v[found] = {line.substr(start, stop - start), where};
            ++found;
            i = stop;
        }
        if (found == 0) continue;
        if (found != 4) refuse(where + ": expected the four numbers xini xfin H M, found " + std::to_string(found));
        laws.push_back(checked_law(v, where));
        if (static_cast<long>(laws.size()) > max_edges) refuse(where + ": more laws than one run builds");
    }
    if (in.bad() || !in.eof()) refuse(file.where + ": cannot read the law file \"" + file.text + "\"");
    if (laws.size() == before) refuse(file.where + ": the law file \"" + file.text + "\" holds no law");
}

// The folder --output names, made with its parents if missing; refused when
// it cannot be made or a file cannot be made in it.
std::string output_folder(const given& v)
{
    if (v.text.empty()) refuse(v.where + ": --output needs a folder name");
    std::error_code ec;
    std::filesystem::create_directories(v.text, ec);
    if (ec) refuse(v.where + ": cannot make the folder \"" + v.text + "\": " + ec.message());
    if (!std::filesystem::is_directory(v.text, ec)) refuse(v.where + ": \"" + v.text + "\" is not a folder");
    if (::access(v.text.c_str(), W_OK | X_OK) != 0)
        refuse(v.where + ": cannot write into the folder \"" + v.text + "\": " + std::strerror(errno));
    return v.text;
}

}  // namespace

std::string law_name(std::size_t number, const law_answers& law)
{
    return "law " + std::to_string(number) + " (xini=" + sin_cos::text::shortest(law.xini) +
           ", xfin=" + sin_cos::text::shortest(law.xfin) + ", H=" + sin_cos::text::shortest(law.H) +
           ", M=" + std::to_string(law.M) + ")";
}

options read_arguments(int argc, char** argv)
{
    options chosen;
    std::vector<given> answers;  // the five answers, when given without options
    given bins, plot, output;
    bool laws_given = false;
    bool values_only = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (values_only || arg.substr(0, 2) != "--") {
            if (!values_only && arg.size() > 1 && arg[0] == '-' && !is_number(argv[i])) {
                std::fprintf(stderr, "sin_cos: unknown argument \"%s\"\n%s", argv[i], usage);
                std::exit(-1);
            }
            answers.push_back({argv[i], argument(i), i});
            continue;
        }
        if (arg == "--") {
            values_only = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const bool inline_value = equals != std::string_view::npos;
        const int at = i;
        // The option's one value: after '=' or the next argument.
        auto value = [&]() -> given {
            if (inline_value) return {std::string(arg.substr(equals + 1)), argument(at)};
            if (i + 1 >= argc) refuse(argument(at) + ": " + std::string(name) + " needs a value");
            ++i;
            return {argv[i], argument(i)};
        };
        auto no_value = [&] {
            if (inline_value) refuse(argument(at) + ": " + std::string(name) + " takes no value");
        };
        if (name == "--tight") {
            no_value();
            chosen.tight = true;
        } else if (name == "--help") {
            no_value();
            std::fputs(usage, stdout);
            std::fputs(help, stdout);
            std::exit(0);
        } else if (name == "--version") {
            no_value();
            std::printf("sin_cos %s\n", SIN_COS_VERSION);
            std::exit(0);
        } else if (name == "--bins") {
            bins = value();
        } else if (name == "--plot") {
            plot = value();
        } else if (name == "--output") {
            output = value();
        } else if (name == "--laws") {
            read_law_file(value(), chosen.laws);
            laws_given = true;
        } else if (name == "--law") {
            if (inline_value) refuse(argument(at) + ": --law takes four values: --law XINI XFIN H M");
            const int left = argc - 1 - i;
            if (left < 4) {
                refuse(argument(at) + ": --law needs the four values XINI XFIN H M, found " + std::to_string(left));
            }
            given v[4];
            for (given& one : v) {
                ++i;
                one = {argv[i], argument(i)};
            }
            chosen.laws.push_back(checked_law(v, arguments(at + 1, at + 2)));
            laws_given = true;
        } else {
            std::fprintf(stderr, "sin_cos: unknown argument \"%s\"\n%s", argv[i], usage);
            std::exit(-1);
        }
    }

    const bool bins_given = !bins.where.empty();
    if (!answers.empty()) {
        if (laws_given || bins_given) {
            refuse(answers.front().where + ": \"" + answers.front().text +
                   "\": with --bins the laws are given by --law and --laws");
        }
        if (answers.size() > 5) {
            refuse(answers[5].where + ": \"" + answers[5].text + "\": more than the five answers XINI XFIN H M N");
        }
        if (answers.size() < 5) {
            refuse(std::to_string(answers.size()) + (answers.size() == 1 ? " answer" : " answers") +
                   " given: the five answers XINI XFIN H M N are all needed");
        }
        chosen.laws.push_back(checked_law(answers.data(), arguments(answers[0].at, answers[1].at)));
        bins = answers[4];
    } else if (laws_given && !bins_given) {
        refuse("--law and --laws need --bins N, the number of bins of every histogram");
    } else if (bins_given && !laws_given) {
        refuse(bins.where + ": --bins needs at least one --law or --laws");
    }
    chosen.answered = !chosen.laws.empty();

    if (!chosen.answered) {
        if (!plot.where.empty()) refuse(plot.where + ": --plot chooses among laws given on the command line");
        // Made last: a run refused for anything else leaves no folder behind.
        if (!output.where.empty()) chosen.output = output_folder(output);
        return chosen;
    }
    chosen.n = int_value(bins, "n");
    if (!sin_cos::valid_bins(chosen.n)) {
        refuse(bins.where + ": n=" + bins.text + " must be between 1 and " + std::to_string(sin_cos::max_bins));
    }
    const long edges = static_cast<long>(chosen.laws.size()) * chosen.n;
    if (edges > max_edges) {
        refuse(bins.where + ": " + std::to_string(chosen.laws.size()) + " laws of n=" + bins.text + " bins are " +
               std::to_string(edges) + " edges, more than the " + std::to_string(max_edges) + " one run builds");
    }
    chosen.plot = chosen.laws.size();
    if (!plot.where.empty()) {
        const int k = int_value(plot, "K");
        if (k < 1 || static_cast<std::size_t>(k) > chosen.laws.size()) {
            refuse(plot.where + ": --plot " + plot.text + ": the laws are numbered 1 to " +
                   std::to_string(chosen.laws.size()));
        }
        chosen.plot = static_cast<std::size_t>(k);
    }
    if (!output.where.empty()) chosen.output = output_folder(output);
    return chosen;
}

}  // namespace driver
