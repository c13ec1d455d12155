#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "runner.hpp"

namespace {

using namespace e2e;

const std::string h_prompt = "give H (>1);    example: +2.11           -> H=";
const std::string m_prompt = "give M (even >=0);    example: +4              -> M=";
const std::string h_refused = "!!! H must be >= 1 %\n";
const std::string m_refused = "!!! M must be even >=0 \n";
const std::string closing = "You must copy the file \"Sin_Cos.res\" in your working directory\n";

std::string banner(int n)
{
    return "********* copy this line at the beginning of the main program ******\n"
           "#define Nd_poi                   " + std::to_string(n) + "    // nb of points of each histogram\n"
           "$*********************** end copy **********************************\n";
}

std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t found = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++found;
    return found;
}


// Each refusal is one message directly followed by the same prompt again.
void expect_asked(const std::string& out, const std::string& prompt, const std::string& refused, std::size_t times)
{
    EXPECT_EQ(count(out, prompt), times) << prompt;
    EXPECT_EQ(count(out, refused + prompt), times - 1) << refused;
}

struct DialogueCase {
    const char* name;
    const char* input;
    std::size_t h_asked, m_asked;
    const char* header;  // start of the histogram's header line
};

class Dialogue : public testing::TestWithParam<DialogueCase> {};

TEST_P(Dialogue, AsksAgainUntilValidThenBuildsTheTable)
{
    const DialogueCase& c = GetParam();
    Sandbox box;
    const Result r = box.run(c.input);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    expect_asked(r.out, h_prompt, h_refused, c.h_asked);
    expect_asked(r.out, m_prompt, m_refused, c.m_asked);
    EXPECT_EQ(count(r.out, closing), 1u);
    ASSERT_TRUE(r.table && r.plot);
    const auto table = lines(*r.table);
    EXPECT_EQ(table.at(3).rfind(c.header, 0), 0u) << table[3];
    int n = 0;
    std::sscanf(table[3].c_str(), "%*f %*d %d", &n);
    EXPECT_EQ(table.size(), n + 4u);
    EXPECT_EQ(lines(*r.plot).size(), 2u * n);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Dialogue,
    testing::Values(DialogueCase{"single_bin", "0 0.5 3 0 1\n", 1, 1, "3.000000 0 1 0.000000 0.500000 "},
                    DialogueCase{"m_odd_and_negative", "-1 1 2 3 -1 -2 4 3\n", 1, 4, "2.000000 4 3 "},
                    DialogueCase{"h_nan", "-1 1 nan 2 4 3\n", 2, 1, "2.000000 4 3 "},
                    DialogueCase{"h_inf", "-1 1 inf 2 4 3\n", 2, 1, "2.000000 4 3 "},
                    // ".5" stays unread and the read of n fails on it: n keeps 5000.
                    DialogueCase{"m_fraction", "-1 1 2 2.5\n", 1, 1, "2.000000 2 5000 -1.000000 1.000000 "},
                    DialogueCase{"text_after_refused_h", "0 1 0.5 abc\n2 4 10\n", 3, 1, "2.000000 4 10 0.000000 "},
                    DialogueCase{"text_after_refused_m", "0 1 2 3 x y\n4 10\n", 1, 3, "2.000000 4 10 0.000000 "}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    const char* input;
    const char* value;  // the refused value as the message should name it, if any
};

class Refusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, StopsBeforeAnyFileIsTouched)
{
    const RefusalCase& c = GetParam();
    Sandbox fresh, used;
    spill(used.dir() / table_name, "old table\n");
    spill(used.dir() / plot_name, "old plot\n");
    for (const Sandbox* box : {&fresh, &used}) {
        const Result r = box->run(c.input, {}, 30);
        ASSERT_FALSE(r.timed_out) << "asks forever";
        EXPECT_EQ(r.status, 255);
        const auto prompt_end = r.out.find('=', r.out.rfind("-> "));
        ASSERT_NE(prompt_end, std::string::npos) << r.out;
        const std::string message = r.out.substr(prompt_end + 1);
        EXPECT_EQ(message.rfind("!!!", 0), 0u) << message;
        EXPECT_TRUE(message.ends_with('\n'));
        // Standard output is a file here: the reason reaches standard error too.
        EXPECT_TRUE(r.err.ends_with(lines(message).back() + "\n")) << r.err;
        if (c.value) {
            std::string words = message;
            for (char& ch : words)
                if (!std::isalnum(static_cast<unsigned char>(ch)) && !std::strchr(".+-", ch)) ch = ' ';
            EXPECT_NE(count(" " + words + " ", " " + std::string(c.value) + " "), 0u) << message;
        }
        EXPECT_TRUE(same_file(r.table, box == &used ? std::optional<std::string>("old table\n") : std::nullopt));
        EXPECT_TRUE(same_file(r.plot, box == &used ? std::optional<std::string>("old plot\n") : std::nullopt));
    }
}

INSTANTIATE_TEST_SUITE_P(Parameters, Refusal,
                         testing::Values(RefusalCase{"no_bins", "-1 1 2 4 0\n", "0"},
                                         RefusalCase{"negative_bins", "-1 1 2 4 -5\n", "-5"},
                                         RefusalCase{"too_many_bins", "-1 1 2 4 100001\n", "100001"},
                                         RefusalCase{"empty_interval", "0.5 0.5 2 4 10\n", "0.5"},
                                         RefusalCase{"reversed_interval", "0.5 -0.5 2 4 10\n", "-0.5"},
                                         RefusalCase{"xfin_past_one", "0 1.5 2 4 10\n", "1.5"},
                                         RefusalCase{"xini_below_minus_one", "-2 1 2 4 10\n", "-2"},
                                         RefusalCase{"infinite_end", "-1 inf 2 4 10\n", "inf"},
                                         RefusalCase{"nan_end", "nan 1 2 4 10\n", "nan"},
                                         RefusalCase{"answers_as_typed", ".95 3.7 2 4 10\n", "3.7"},
                                         // Input that ends while H or M is being asked again.
                                         RefusalCase{"h_then_end", "0 1 0.5", nullptr},
                                         RefusalCase{"m_then_end", "0 1 2 3", nullptr},
                                         RefusalCase{"h_text_then_end", "0 1 0.5 abc\n", nullptr},
                                         RefusalCase{"m_text_then_end", "0 1 2 -1\nx\n", nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

struct WriteFailure {
    const char* name;
    void (*prepare)(const fs::path& dir);
    const std::string* file;
    int reason;
};

class Unwritable : public testing::TestWithParam<WriteFailure> {};

TEST_P(Unwritable, EndsWithStatusOneNamingFileAndReason)
{
    const WriteFailure& c = GetParam();
    Sandbox box;
    c.prepare(box.dir());
    std::vector<std::string> as_user;
    if (c.reason == EACCES && ::geteuid() == 0) {
        // Root writes anywhere; only an ordinary user meets the permissions.
        as_user = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        std::vector<std::string> probe = as_user;
        probe.insert(probe.end(), {"test", "-x"});
        if (box.run("", probe, 30).status != 0) GTEST_SKIP() << "cannot run the tool as uid 65534 through setpriv";
    }
    const Result r = box.run("-1 1 2 4 1\n", as_user);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(*c.file), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(std::strerror(c.reason)), std::string::npos) << r.err;
    EXPECT_EQ(count(r.out, closing), 0u);
    EXPECT_FALSE(r.plot);
    EXPECT_FALSE(r.table) << "a file that cannot be written keeps the other from being written too";
    EXPECT_TRUE(fs::is_character_file("/dev/full")) << "a device is written into, never replaced";
    if (c.file == &plot_name) {
        EXPECT_NE(r.out.find("Histogram=1, "), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, Unwritable,
    testing::Values(
        WriteFailure{"table_is_a_directory", [](const fs::path& d) { fs::create_directory(d / table_name); },
                     &table_name, EISDIR},
        WriteFailure{"table_on_full_disk", [](const fs::path& d) { fs::create_symlink("/dev/full", d / table_name); },
                     &table_name, ENOSPC},
        WriteFailure{"plot_on_full_disk", [](const fs::path& d) { fs::create_symlink("/dev/full", d / plot_name); },
                     &plot_name, ENOSPC},
        WriteFailure{"read_only_directory", [](const fs::path& d) { fs::permissions(d, fs::perms(0555)); },
                     &table_name, EACCES}),
    [](const auto& info) { return std::string(info.param.name); });

struct ArgumentCase {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* out;  // expected in standard output, and in standard error:
    const char* err;
    bool writes;  // whether the run goes on to write the files
};

class Arguments : public testing::TestWithParam<ArgumentCase> {};

TEST_P(Arguments, AreTakenOrRefusedBeforeAnyFileIsTouched)
{
    const ArgumentCase& c = GetParam();
    Sandbox box;
    spill(box.dir() / plot_name, "old plot\n");
    const Result r = box.run("-1 1 2 4 7\n", {}, 60, c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.table.has_value(), c.writes);
    EXPECT_EQ(r.plot != "old plot\n", c.writes);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, Arguments,
    testing::Values(ArgumentCase{"help", {"--help"}, 0, "--tight", "", false},
                    ArgumentCase{"version", {"--version"}, 0, "sin_cos ", "", false},
                    ArgumentCase{"unknown", {"--tight", "-x"}, 255, "", "unknown argument \"-x\"\nusage: sin_cos", false},
                    ArgumentCase{"tight", {"--tight"}, 0, "Histogram=1, H=2.000000, M=4, loss=", "", true}),
    [](const auto& info) { return std::string(info.param.name); });

// What the dialogue could not read as it was meant is said on standard error;
// standard output, the values and the table stay what scanf's reads give. A
// sign or a dot that begins no number is consumed and blocks nothing; an
// integer that does not fit an int is refused instead of wrapped.
TEST(Answers, ThatReadOtherwiseThanTypedAreNamed)
{
    const struct {
        const char* input;
        int status;
        const char* err;
        const char* header;  // start of the table's header line, when one is written
    } cases[] = {
        {"0,5 0.9 2 4 100\n", 0,
         "!!! read xini=0 from the start of a word that goes on with \",5\"\n"
         "!!! cannot read \",5\" as xfin: xfin keeps 1, and H, M and n keep their defaults\n",
         "2.000000 4 5000 0.000000 1.000000 "},
        {"abc 0.5 2 4 100\n", 0,
         "!!! cannot read \"abc\" as xini: xini keeps -1, and xfin, H, M and n keep their defaults\n",
         "2.000000 4 5000 -1.000000 "},
        {"-1 1 2 4 1e3\n", 0, "!!! read n=1 from the start of a word that goes on with \"e3\"\n", "2.000000 4 1 "},
        {"0 1 0.5 abc\n2 4 10\n", 0,
         "!!! cannot read \"abc\" as H: H keeps 0.5\n!!! H=0.5 refused; \"2\" was then read as H\n"
         "!!! after the refused answers the table is built from xini=0, xfin=1, H=2, M=4, n=10\n",
         "2.000000 4 10 "},
        {"-1 1 2 4 100 more words\n", 0, "", "2.000000 4 100 "},
        {"", 0, "", "2.000000 4 5000 "},
        {"-1 1\n+\n6 300\n", 0, "!!! cannot read \"+\" as H: H keeps 2\n", "2.000000 6 300 "},
        {". 0.9 3 4 200\n", 0, "!!! cannot read \".\" as xini: xini keeps -1\n", "3.000000 4 200 -1.000000 0.900000 "},
        {".\n3.5\n3 7\n", 255,
         "!!! cannot read \".\" as xini: xini keeps -1\n!!! no more input while asking for M: stopping\n", nullptr},
        {"0.5 1ex 2 4 10\n", 0,
         "!!! read xfin=1 from \"1e\": the \"e\" after it is dropped\n"
         "!!! read xfin=1 from the start of a word that goes on with \"x\"\n"
         "!!! cannot read \"x\" as H: H keeps 2, and M and n keep their defaults\n",
         "2.000000 4 5000 0.500000 1.000000 "},
        {"-1 1 2 4 4294967297\n", 255,
         "!!! cannot take \"4294967297\" as n: it does not fit an int\n"
         "!!! n=4294967297 must be between 1 and 100000\n",
         nullptr},
        {"-1 1 2 4294967300 10\n", 0,
         "!!! cannot take \"4294967300\" as M: it does not fit an int\n"
         "!!! M=4294967300 refused; \"10\" was then read as M\n"
         "!!! after the refused answers the table is built from xini=-1, xfin=1, H=2, M=10, n=5000 (n: its default)\n",
         "2.000000 10 5000 "},
        {"-1 1 0.5 4 1000\n", 0,
         "!!! H=0.5 refused; \"4\" was then read as H\n"
         "!!! after the refused answers the table is built from xini=-1, xfin=1, H=4, M=1000, n=5000 (n: its default)\n",
         "4.000000 1000 5000 "},
        {"-1\n1\n0.5\n0.7\n3\n3\n4\n100\n", 0,
         "!!! H=0.5 refused; \"0.7\" was then read as H\n!!! H=0.7 refused; \"3\" was then read as H\n"
         "!!! M=3 refused; \"4\" was then read as M\n"
         "!!! after the refused answers the table is built from xini=-1, xfin=1, H=3, M=4, n=100\n",
         "3.000000 4 100 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        Sandbox box;
        const Result r = box.run(c.input, {}, 60);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.err);
        if (c.header) {
            EXPECT_EQ(lines(r.table.value_or("\n\n\n\n")).at(3).rfind(c.header, 0), 0u);
        } else {
            EXPECT_FALSE(r.table) << "a refused answer writes no file";
        }
    }
}

TEST(Answers, AnUnwritableStandardOutputEndsWithStatusOne)
{
    Sandbox box;
    const Result r = box.run("", {"sh", "-c", "exec \"$0\" > /dev/full"}, 60);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("cannot write standard output: ", 0), 0u) << r.err;
}

// A numerical failure in the build: only the banner reaches the table and an
// existing plot file is left alone.
TEST(EarlyEnd, LeavesTheBannerOnly)
{
    Sandbox box;
    spill(box.dir() / plot_name, "old plot\n");
    const Result r = box.run("0 0.8 2 4 1\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.ends_with("...now exiting to system...\n")) << r.err;
    EXPECT_EQ(count(r.out, "Histogram="), 0u);
    EXPECT_EQ(r.table, banner(1));
    EXPECT_EQ(r.plot, "old plot\n");
}

}  // namespace
