#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "sin_cos/table.hpp"
#include "tool_tables.hpp"

using namespace tool_tables;

namespace {

// Tables that loaded and then hung the first draw, or whose envelope no
// longer covers the density its header states: each refused at once, on its
// line. Edits that keep the cover make a sound table of what the header now
// says, whatever loss it states.
TEST(ReadTable, TablesThatCannotBeDrawnFromAreRefused)
{
    const std::vector<std::string> good = lines_of(tool_table("-1 1 2.11 4 1000"));
    const std::vector<std::string> tail = lines_of(tool_table("-1 -0.3 2 0 10"));
    std::istringstream header(good[3]);
    std::vector<std::string> f(7);
    for (auto& field : f) header >> field;
    const auto edit = [&](std::initializer_list<std::pair<int, std::string>> values) {
        std::vector<std::string> l = good;
        auto g = f;
        for (const auto& [field, value] : values) g[field] = value;
        l[3] = g[0] + " " + g[1] + " " + g[2] + " " + g[3] + " " + g[4] + " " + g[5] + "  " + g[6];
        return l;
    };
    auto tail_h = tail;
    tail_h[3] = "200000" + tail[3].substr(tail[3].find(' '));
    std::vector<std::string> zero = {good[0], "#define Nd_poi 2", good[2], "2 1000000 2 -0.5 0.5 1.0  1.0", "-0.5", "0"};
    char lowered[32];
    std::snprintf(lowered, sizeof lowered, "%.17g", 0.99 * std::stod(f[6]));
    const auto text_of = [](const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& l : lines) text += l + "\n";
        return text;
    };

    const struct {
        const char* what;
        std::vector<std::string> lines;
        int line;
        const char* says;
    } cases[] = {
        {"M = 10^6 on [-0.5, 0.5]", zero, 4, "integral over [-0.5, 0.5] is 0 in doubles"},
        {"H edited to 1e300", edit({{0, "1e300"}}), 4, "is 0 in doubles"},
        {"H edited to 1e308", edit({{0, "1e308"}}), 4, "is 0 in doubles"},
        {"a tail table's H edited to 200000", tail_h, 4, "is 0 in doubles"},
        {"area 1e300 with its loss", edit({{5, "1e305"}, {6, "1e300"}}), 4, "is below 1e-12"},
        {"H 2.11 edited to 2.10", edit({{0, "2.100000"}}), 5, "has height"},
        {"area lowered by 1%", edit({{6, lowered}}), 5, "has height"},
    };
    for (const auto& c : cases) {
        std::istringstream in(text_of(c.lines));
        try {
            sampler::read_table(in, "hostile");
            ADD_FAILURE() << c.what << ": loaded";
        } catch (const sampler::table_error& e) {
            EXPECT_EQ(e.problem(), sampler::table_error::kind::unsound) << c.what;
            EXPECT_EQ(e.line(), c.line) << c.what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << c.what << ": " << e.what();
        }
    }

    const struct {
        const char* what;
        std::vector<std::string> lines;
        double H, loss;
    } covered[] = {
        {"H 2.11 edited to 2.12", edit({{0, "2.120000"}}), 2.12, std::stod(f[5])},
        {"loss edited to 0", edit({{5, "0.000000"}}), 2.11, 0},
        {"area 10^6 times too large", edit({{6, "1e6"}}), 2.11, std::stod(f[5])},
    };
    for (const auto& c : covered) {
        std::istringstream in(text_of(c.lines));
        const sampler::Table t = sampler::read_table(in, "covered");
        EXPECT_EQ(t.H, c.H) << c.what;
        EXPECT_EQ(t.loss, c.loss) << c.what;
    }

    // A line without end, such as /dev/zero gives, is refused where it passes any table line's length.
    std::istringstream endless(std::string(1 << 20, '\0'));
    try {
        sampler::read_table(endless, "endless");
        ADD_FAILURE() << "endless line loaded";
    } catch (const sampler::table_error& e) {
        EXPECT_EQ(e.line(), 1);
        EXPECT_NE(std::string(e.what()).find("longer than 4096 characters"), std::string::npos) << e.what();
        EXPECT_LE(endless.tellg(), 4098);
    }
}

}  // namespace
