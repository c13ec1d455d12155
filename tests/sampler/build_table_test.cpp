#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include <sin_cos/sampler.hpp>

#include "tool_tables.hpp"

namespace fs = std::filesystem;

namespace {

struct run {
    int status;
    std::string out, err;
    fs::path dir;
};

// The tool itself, in a fresh directory, on these answers.
run tool(const std::string& answers, const std::string& options = "")
{
    std::string dir = (fs::temp_directory_path() / "build_table_test_XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    const std::string cmd = "cd '" + dir + "' && printf '%s\\n' '" + answers + "' | '" SIN_COS_BIN "' " + options +
                            " > stdout 2> stderr";
    const int rc = std::system(cmd.c_str());
    return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, tool_tables::slurp(fs::path(dir) / "stdout"),
            tool_tables::slurp(fs::path(dir) / "stderr"), dir};
}

struct answers {
    double xini, xfin, H;
    int M, n;
    std::string text() const
    {
        std::ostringstream s;
        s.precision(17);
        s << xini << ' ' << xfin << ' ' << H << ' ' << M << ' ' << n;
        return s.str();
    }
};

void expect_same_as_tool(const answers& in, const sin_cos::table& built, const std::string& options = "")
{
    const run r = tool(in.text(), options);
    ASSERT_EQ(r.status, 0) << r.err;
    const sin_cos::table written = sin_cos::load_table((r.dir / "Sin_Cos.res").string());
    EXPECT_EQ(built.edges, written.edges);
    // Written by the library, the same table file byte for byte.
    sin_cos::write_table(built, (r.dir / "again.res").string());
    EXPECT_EQ(tool_tables::slurp(r.dir / "again.res"), tool_tables::slurp(r.dir / "Sin_Cos.res"));
    EXPECT_EQ(built.a, written.a);
    char loss[64];
    std::snprintf(loss, sizeof loss, "loss=%f%%", built.loss);
    EXPECT_NE(r.out.find(loss), std::string::npos) << loss;
    EXPECT_EQ(built.H, in.H);
    EXPECT_EQ(built.M, in.M);
    fs::remove_all(r.dir);
}

// Kept classic tables, recalibrated ones, one bin, a flat density.
const answers cases[] = {
    {-1, 1, 2, 4, 1000}, {-0.3, 0.9, 3, 4, 40}, {0, 1, 1, 4, 1000}, {-1, -0.3, 2, 0, 1000}, {-1, 1, 2, 4, 1},
    {-1, 1, 1, 0, 3},    {0.2, 0.9, 2.11, 2, 7},
};

TEST(BuildTable, InProcessIsTheToolsTable)
{
    for (const answers& in : cases) {
        SCOPED_TRACE(in.text());
        expect_same_as_tool(in, sin_cos::build_table(sin_cos::law{in.xini, in.xfin, in.H, in.M}, in.n));
        expect_same_as_tool(in, sin_cos::build_table(sin_cos::law{in.xini, in.xfin, in.H, in.M}, in.n, sin_cos::mode::tight),
                            "--tight");
    }
}

// Each failure carries the tool's message and status, and leaves nothing behind
// that the next build could see.
TEST(BuildTable, FailuresThrowTheToolsMessage)
{
    const answers failing[] = {
        {0.5, -0.5, 2, 4, 10},  // refused interval
        {-1, 1, 2, 4, 0},       // refused bin count
        {-0.5, 0.8, 2, 4, 1},   // root must be bracketed
        {0.5, 0.5000000000000001, 2, 4, 1000},  // no sound table: a domain one ulp wide
        {-1, 1, 1e13, 2, 100},  // no construction starts: H past what doubles evaluate
    };
    for (const answers& in : failing) {
        SCOPED_TRACE(in.text());
        const run r = tool(in.text());
        fs::remove_all(r.dir);
        try {
            sin_cos::build_table(sin_cos::law{in.xini, in.xfin, in.H, in.M}, in.n);
            ADD_FAILURE() << "no exception";
        } catch (const sin_cos::build_error& e) {
            EXPECT_EQ(e.kind(), r.status == 255 ? sin_cos::errc::refused : sin_cos::errc::numerical);
            const std::string& told = r.status == 255 ? r.out : r.err;
            EXPECT_NE(told.find(std::string(e.what()) + "\n"), std::string::npos) << e.what() << " vs " << told;
            // What the tool marks as a complaint about the answers among its numerical failures.
            EXPECT_EQ(e.none_sound(), r.status == 1 && r.err.rfind("!!! ", 0) == 0) << r.err;
        }
        expect_same_as_tool(cases[1], sin_cos::build_table(sin_cos::law{cases[1].xini, cases[1].xfin, cases[1].H, cases[1].M}, cases[1].n));
    }
    // What a library build cannot be asked through the dialogue.
    for (const auto& [H, M] : {std::pair(0.5, 4), std::pair(2.0, 3), std::pair(2.0, -2), std::pair(std::numeric_limits<double>::infinity(), 4)}) {
        EXPECT_THROW(sin_cos::build_table(sin_cos::law{-1, 1, H, M}, 10), sin_cos::build_error) << H << " " << M;
    }
}

// Counts what a build tells its observer.
struct counting_observer : sin_cos::build_observer {
    int begun = 0, ended = 0, passes = 0;
    std::string recalibrated;
    void progress(sin_cos::progress_event event, const char*, int, double) override
    {
        begun += event == sin_cos::progress_event::begin;
        ended += event == sin_cos::progress_event::end;
        passes += event == sin_cos::progress_event::pass;
    }
    void recalibrating(const char* why) override { recalibrated += why; }
};

// A build's account is what the tool tells and writes beside its table: the
// plot file byte for byte and the recalibration.
TEST(BuildTable, TheAccountIsWhatTheToolShowsAndWrites)
{
    for (const answers& in : cases) {
        for (const sin_cos::mode m : {sin_cos::mode::classic, sin_cos::mode::tight}) {
            const bool tight = m == sin_cos::mode::tight;
            SCOPED_TRACE(in.text() + (tight ? " --tight" : ""));
            counting_observer seen;
            const sin_cos::built b = sin_cos::build(sin_cos::law{in.xini, in.xfin, in.H, in.M}, in.n, m, &seen);
            const run r = tool(in.text(), tight ? "--tight" : "");
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(b.table.edges, sin_cos::load_table((r.dir / "Sin_Cos.res").string()).edges);
            EXPECT_EQ(sin_cos::text::plot(b), tool_tables::slurp(r.dir / "Sin_Cos_g1_f1.res"));
            EXPECT_EQ(b.recalibrated, r.err.find("!!! table recalibrated: " + b.why + "\n") != std::string::npos);
            EXPECT_EQ(seen.recalibrated, b.recalibrated ? b.why : "");
            EXPECT_EQ(seen.begun, seen.ended);
            fs::remove_all(r.dir);
        }
    }
    // A struct any code can fill: heights that are not one a bin are refused, not read past.
    sin_cos::built odd = sin_cos::build(sin_cos::law{}, 4);
    odd.heights.pop_back();
    EXPECT_THROW(sin_cos::text::plot(odd), sin_cos::error);
    EXPECT_THROW(sin_cos::text::plot(sin_cos::built{}), sin_cos::error);
}

// The pre-check refuses what no build can tabulate, at once, and nothing a
// build tabulates.
TEST(BuildTable, PrecheckRefusesOnlyLawsNoBuildTabulates)
{
    const struct {
        sin_cos::law law;
        int n;
        sin_cos::errc kind;
        const char* starts;
    } doomed[] = {
        {{0.2, 0.9, 1e6, 0}, 1000, sin_cos::errc::numerical, "the density has no usable integral in doubles: 0"},
        {{0, 1, 1, 100000000}, 1, sin_cos::errc::numerical, "no table of n=1 bins can accept one proposal in 1e+07"},
        {{0.5, 0.5000000000000004, 2, 0}, 5, sin_cos::errc::numerical,  // five doubles
         "no table of n=5 bins: the interval holds fewer than n + 1 doubles"},
        {{-1, 1, 1e13, 2}, 100, sin_cos::errc::numerical, "no sound table: H=1e+13 is too large"},
        {{0.5, -0.5, 2, 4}, 10, sin_cos::errc::refused, "xini=0.5, xfin=-0.5"},
        {{-1, 1, 2, 3}, 10, sin_cos::errc::refused, "M=3"},
    };
    for (const auto& c : doomed) {
        try {
            sin_cos::precheck(c.law, c.n);
            ADD_FAILURE() << c.starts << ": not refused";
        } catch (const sin_cos::build_error& e) {
            EXPECT_EQ(e.kind(), c.kind) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.starts), std::string::npos) << e.what();
        }
        EXPECT_THROW(sin_cos::build_table(c.law, c.n, sin_cos::mode::tight), sin_cos::build_error) << c.starts;
    }
    // Near each bound: the same interval with as many doubles as bins need,
    // the acceptance floor cleared by more bins, and ordinary laws.
    const struct {
        sin_cos::law law;
        int n;
    } buildable[] = {
        {{0.5, 0.5000000000000004, 2, 0}, 3}, {{0, 1, 1, 100000000}, 100}, {{-1, 1, 2, 4}, 1000},
        {{0, 1, 30, 10}, 100},                 {{-1, 1, 1e6, 0}, 200},       {{0.2, 0.9, 1000, 60}, 50},
    };
    for (const auto& c : buildable) {
        EXPECT_NO_THROW(sin_cos::precheck(c.law, c.n)) << c.law.H << " " << c.law.M << " n=" << c.n;
        EXPECT_NO_THROW(sin_cos::build_table(c.law, c.n, sin_cos::mode::tight)) << c.law.H << " " << c.law.M;
    }
}

}  // namespace
