#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <sin_cos/sampler.hpp>

#include "tool_tables.hpp"

namespace {

const std::vector<sin_cos::law> laws = {{-1, 1, 2.11, 4}, {-0.3, 0.9, 3, 0}, {0, 1, 1.5, 2}};
constexpr int bins = 300;

void expect_same(const sin_cos::table& a, const sin_cos::table& b)
{
    EXPECT_EQ(a.H, b.H);
    EXPECT_EQ(a.M, b.M);
    EXPECT_EQ(a.xini, b.xini);
    EXPECT_EQ(a.xfin, b.xfin);
    EXPECT_EQ(a.a, b.a);
    EXPECT_EQ(a.edges, b.edges);
}

std::string lines_after_banner(const std::string& text)
{
    std::size_t at = 0;
    for (int line = 0; line < 3; ++line) at = text.find('\n', at) + 1;
    return text.substr(at);
}

// Built side by side, written as one file and read back: each table is its
// single build's, and the file's K single tables pasted under one banner (blank
// lines between them, as a hand-made file may have) read the same.
TEST(Tables, BuildWriteAndLoadRoundTrip)
{
    for (const sin_cos::mode m : {sin_cos::mode::classic, sin_cos::mode::tight}) {
        const std::vector<sin_cos::table> built = sin_cos::build_tables(laws, bins, m);
        ASSERT_EQ(built.size(), laws.size());
        const tool_tables::fs::path dir = tool_tables::fresh_dir();
        std::string pasted;
        for (std::size_t k = 0; k < laws.size(); ++k) {
            const auto& l = laws[k];
            const sin_cos::table alone = sin_cos::build_table(sin_cos::law{l.xini, l.xfin, l.H, l.M}, bins, m);
            expect_same(built[k], alone);
            EXPECT_EQ(built[k].loss, alone.loss);
            const std::string single = (dir / ("single" + std::to_string(k))).string();
            sin_cos::write_table(alone, single);
            const std::string text = tool_tables::slurp(single);
            pasted += k == 0 ? text : "\n" + lines_after_banner(text);
        }
        const std::string path = (dir / "Sin_Cos.res").string();
        sin_cos::write_tables(built, path);
        std::ofstream(dir / "pasted") << pasted;
        for (const std::string& file : {path, (dir / "pasted").string()}) {
            const std::vector<sin_cos::table> loaded = sin_cos::load_tables(file);
            ASSERT_EQ(loaded.size(), laws.size());
            for (std::size_t k = 0; k < laws.size(); ++k) expect_same(loaded[k], sin_cos::load_table(file, k));
            expect_same(loaded[1], built[1]);
        }

        // One histogram of several is never taken in silence.
        try {
            sin_cos::load_table(path);
            ADD_FAILURE() << "a file of three histograms loaded as one";
        } catch (const sin_cos::table_error& e) {
            EXPECT_NE(std::string(e.what()).find("the file holds 3 histograms"), std::string::npos) << e.what();
        }
        EXPECT_THROW(sin_cos::load_table(path, 3), sin_cos::error);
    }
}

// A fault in a later histogram is told at its own line of the file.
TEST(Tables, FaultsNameTheHistogramAndItsLine)
{
    const std::vector<sin_cos::table> built = sin_cos::build_tables(laws, bins, sin_cos::mode::tight);
    const tool_tables::fs::path dir = tool_tables::fresh_dir();
    sin_cos::write_tables(built, (dir / "t").string());
    // Edges 10 and 11 of histogram 2 swapped.
    std::vector<std::string> lines = tool_tables::lines_of(dir / "t");
    const int first = 3 + (bins + 1) + 1 + 10;  // 1-based line of edge 10
    std::swap(lines[first - 1], lines[first]);
    std::string swapped;
    for (const auto& l : lines) swapped += l + "\n";
    std::istringstream in(swapped);
    try {
        sin_cos::read_tables(in, "swapped");
        ADD_FAILURE() << "an unsound histogram loaded";
    } catch (const sin_cos::table_error& e) {
        EXPECT_EQ(e.line(), first + 1);
        EXPECT_EQ(std::string(e.what()).rfind("swapped:" + std::to_string(first + 1) + ": histogram 2 of 3: ", 0), 0u)
            << e.what();
        EXPECT_NE(std::string(e.what()).find("(line " + std::to_string(first) + ")"), std::string::npos) << e.what();
    }

    // A Table is a struct anyone fills: the writers refuse the same edit at
    // the same line, and leave the file as it was.
    std::vector<sin_cos::table> edited = built;
    std::swap(edited[1].edges[9], edited[1].edges[10]);
    const std::string before = tool_tables::slurp(dir / "t");
    for (const bool alone : {false, true}) {
        try {
            if (alone) sin_cos::write_table(edited[1], (dir / "t").string());
            else sin_cos::write_tables(edited, (dir / "t").string());
            ADD_FAILURE() << "an unsound table written";
        } catch (const sin_cos::table_error& e) {
            EXPECT_EQ(e.code(), sin_cos::errc::unsound);
            EXPECT_EQ(e.line(), alone ? 5 + 10 : first + 1) << e.what();
            EXPECT_EQ(std::string(e.what()).find("histogram 2 of 3: ") != std::string::npos, !alone) << e.what();
        }
        EXPECT_EQ(tool_tables::slurp(dir / "t"), before);
    }

    // The first law in order that cannot be built is the one reported.
    try {
        sin_cos::build_tables({{-1, 1, 2, 4}, {-1, 1, 1e30, 4}, {-1, 1, 2, 3}}, 50);
        ADD_FAILURE() << "laws that cannot be built were built";
    } catch (const sin_cos::build_error& e) {
        EXPECT_EQ(e.kind(), sin_cos::errc::numerical);
        EXPECT_EQ(std::string(e.what()).rfind("law 2 (xini=-1, xfin=1, H=1e+30, M=4): ", 0), 0u) << e.what();
    }
    EXPECT_THROW(sin_cos::write_tables({built[0], sin_cos::build_table(sin_cos::law{-1, 1, 2, 4}, 7)}, (dir / "u").string()),
                 sin_cos::error);
    EXPECT_THROW(sin_cos::build_tables({}, 50), sin_cos::error);
}

}  // namespace
