// Runs whose answers are on the command line: one law or several, each
// histogram of a several-law file the lines its single-law run writes.
#include "runner.hpp"

namespace {

using namespace e2e;

const std::string old_table = "old table\n", old_plot = "old plot\n";

// The header line of each histogram starts after the three banner lines and
// the n edges of the histograms before it.
std::vector<std::string> histograms(const std::string& table, int n)
{
    const std::vector<std::string> all = lines(table);
    std::vector<std::string> out;
    for (std::size_t at = 3; at + n + 1 <= all.size(); at += n + 1) {
        std::string text;
        for (std::size_t i = at; i <= at + n; ++i) text += all[i] + "\n";
        out.push_back(text);
    }
    return out;
}

struct BadCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;
    std::string file = "";  // laws.txt, when not law_file()
};

class BadArguments : public testing::TestWithParam<BadCase> {};

// Line 17 of this law file is the reversed interval; the others are laws
// (one with tabs, one with a carriage return before its line end), comments
// and blank lines.
std::string law_file()
{
    std::string text = "# xini xfin H M\n\n-1\t1\t2.11 4\n-1 1 2.11 4\r\n";
    for (int line = 5; line <= 16; ++line) text += line % 3 == 0 ? "  # a comment\n" : "-1 1 2.11 4  # fit\n";
    return text + "0.5 -0.5 2 4\n-1 1 2 4\n";
}

TEST_P(BadArguments, EndTheRunWithTheirPositionAndTouchNoFile)
{
    const BadCase& c = GetParam();
    Sandbox box;
    spill(box.dir() / table_name, old_table);
    spill(box.dir() / plot_name, old_plot);
    spill(box.dir() / "laws.txt", c.file.empty() ? law_file() : c.file);
    const Result r = box.run("", {}, 60, c.args);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err.rfind(std::string("sin_cos: ") + c.message + "\nusage: sin_cos", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.table, old_table);
    EXPECT_EQ(r.plot, old_plot);
}

std::vector<std::string> many_laws(int count)
{
    std::vector<std::string> args{"--bins", "100000"};
    for (int k = 0; k < count; ++k) args.insert(args.end(), {"--law", "-1", "1", "2", "4"});
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, BadArguments,
    testing::Values(
        BadCase{"missing_value", {"--law", "-1", "1", "2", "4", "--bins"}, "argument 6: --bins needs a value"},
        BadCase{"missing_answer", {"--tight", "-1", "1", "2", "4"},
                "4 answers given: the five answers XINI XFIN H M N are all needed"},
        BadCase{"odd_M", {"--bins", "10", "--law", "-1", "1", "2", "3"}, "argument 7: M=3 must be even and >= 0"},
        BadCase{"reversed_interval_in_law_file", {"--bins=10", "--laws", "laws.txt"},
                "laws.txt:17: xini=0.5, xfin=-0.5: the interval must satisfy -1 <= xini < xfin <= 1"},
        BadCase{"no_bins", {"-1", "1", "2", "4", "0"}, "argument 5: n=0 must be between 1 and 100000"},
        BadCase{"trailing_text", {"--", "-1", "1", "2.11x", "4", "10"}, "argument 4: H=\"2.11x\" is not a number"},
        BadCase{"edges_bound", many_laws(101),
                "argument 2: 101 laws of n=100000 bins are 10100000 edges, more than the 10000000 one run builds"},
        BadCase{"plot_past_the_laws", {"--bins", "10", "--law", "-1", "1", "2", "4", "--plot=2"},
                "argument 8: --plot 2: the laws are numbered 1 to 1"},
        // A law file is lines of text, as long as a table file's at most.
        BadCase{"nul_byte", {"--bins=10", "--laws", "laws.txt"}, "laws.txt:2: a NUL byte at column 10: a law line is text",
                std::string("-1 1 2 4\n-1 1 2.11\0garbage 4\0rm-rf\n", 35)},
        BadCase{"control_character", {"--bins=10", "--laws", "laws.txt"},
                "laws.txt:1: the control character 0x0d at column 5: a law line is text", "-1 1\r2.11 4\n"},
        BadCase{"endless_line", {"--bins=10", "--laws", "/dev/zero"},
                "/dev/zero:1: a NUL byte at column 1: a law line is text"},
        BadCase{"long_line", {"--bins=10", "--laws", "laws.txt"},
                "laws.txt:1: the line is longer than 4096 characters: not a law line",
                std::string(5000, ' ') + "-1 1 2 4\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct Law {
    const char* xini;
    const char* xfin;
    const char* H;
    const char* M;
};

const Law three[] = {{"-1", "1", "2.11", "4"}, {"-0.3", "0.9", "3", "0"}, {"0", "1", "1.5", "2"}};
constexpr int bins = 400;

// Three laws from the command line and from a law file give the same files;
// each histogram is its single-law run's lines, that run's table the
// dialogue's, and the plot file the chosen law's.
TEST(ThreeLaws, AreTheirSingleRunsUnderOneBanner)
{
    for (const bool tight : {false, true}) {
        SCOPED_TRACE(tight ? "--tight" : "classic");
        const std::vector<std::string> mode = tight ? std::vector<std::string>{"--tight"} : std::vector<std::string>{};
        std::vector<std::string> single_tables, single_plots;
        for (const Law& l : three) {
            Sandbox box;
            std::vector<std::string> args = mode;
            args.insert(args.end(), {l.xini, l.xfin, l.H, l.M, std::to_string(bins)});
            const Result r = box.run("", {}, 120, args);
            ASSERT_EQ(r.status, 0) << r.err;
            ASSERT_TRUE(r.table && r.plot);
            EXPECT_EQ(r.out.find("give"), std::string::npos);
            Sandbox dialogue;
            const Result d = dialogue.run(std::string(l.xini) + " " + l.xfin + " " + l.H + " " + l.M + " " +
                                              std::to_string(bins) + "\n",
                                          {}, 120, mode);
            EXPECT_TRUE(same_file(r.table, d.table));
            EXPECT_TRUE(same_file(r.plot, d.plot));
            single_tables.push_back(*r.table);
            single_plots.push_back(*r.plot);
        }

        std::vector<std::string> args = mode;
        args.insert(args.end(), {"--bins", std::to_string(bins)});
        std::string file = "# three laws\n";
        for (const Law& l : three) {
            args.insert(args.end(), {"--law", l.xini, l.xfin, l.H, l.M});
            file += std::string(l.xini) + "\t" + l.xfin + " " + l.H + " " + l.M + "\n\n";
        }
        Sandbox box;
        const Result r = box.run("", {}, 120, args);
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_TRUE(r.table);
        const auto out = lines(r.out);
        ASSERT_GE(out.size(), 3u);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(out[k].rfind("Histogram=" + std::to_string(k + 1) + ", H=", 0), 0u);
        EXPECT_EQ(r.table->substr(0, r.table->find('\n', 180) + 1),
                  single_tables[0].substr(0, single_tables[0].find('\n', 180) + 1));  // the banner
        const auto got = histograms(*r.table, bins);
        ASSERT_EQ(got.size(), 3u);
        EXPECT_EQ(lines(*r.table).size(), 3u + 3 * (bins + 1));
        for (int k = 0; k < 3; ++k) EXPECT_EQ(got[k], histograms(single_tables[k], bins).at(0)) << "law " << k + 1;
        EXPECT_TRUE(same_file(r.plot, single_plots[2]));

        Sandbox from_file;
        spill(from_file.dir() / "laws.txt", file);
        std::vector<std::string> file_args = mode;
        file_args.insert(file_args.end(), {"--bins", std::to_string(bins), "--laws", "laws.txt", "--plot", "2"});
        const Result f = from_file.run("", {}, 120, file_args);
        ASSERT_EQ(f.status, 0) << f.err;
        EXPECT_EQ(f.out, r.out);
        EXPECT_TRUE(same_file(f.table, r.table));
        EXPECT_TRUE(same_file(f.plot, single_plots[1]));
    }
}

// A law that cannot be built stops the run with the first such law's message;
// the files stay as they were.
TEST(ThreeLaws, TheFirstThatCannotBeBuiltIsNamed)
{
    Sandbox box;
    spill(box.dir() / table_name, old_table);
    const Result r = box.run("", {}, 120,
                             {"--bins", "100", "--law", "-1", "1", "2", "4", "--law", "-1", "1", "1e30", "4", "--law",
                              "-1", "1", "1e40", "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("law 2 (xini=-1, xfin=1, H=1e+30, M=4): no sound table: H=1e+30 is too large", 0), 0u)
        << r.err;
    EXPECT_EQ(r.err.find("law 3"), std::string::npos);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.table, old_table);
    EXPECT_FALSE(r.plot);
}

}  // namespace
