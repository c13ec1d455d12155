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
    // One bin over sqrt(1 - x^2), whose integral is pi/2: the area sets the rate.
    const auto one_bin = [&](const char* loss, const char* area) {
        return std::vector<std::string>{good[0], "#define Nd_poi 1", good[2],
                                        std::string("2.000000 0 1 -1.000000 1.000000 ") + loss + "  " + area,
                                        "-1.0000000000000000e+00"};
    };
    char lowered[32], larger[32], much_larger[32];
    std::snprintf(lowered, sizeof lowered, "%.17g", 0.99 * std::stod(f[6]));
    std::snprintf(larger, sizeof larger, "%.17g", 1e4 * std::stod(f[6]));
    std::snprintf(much_larger, sizeof much_larger, "%.17g", 1e8 * std::stod(f[6]));
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
        {"area 1e300 with its loss", edit({{5, "1e305"}, {6, "1e300"}}), 4, "is below 1e-07"},
        {"area 10^8 times larger", edit({{6, much_larger}}), 4, "is below 1e-07"},
        {"one bin accepting 1e-10", one_bin("999999999900.000000", "1.5707963267948965e+10"), 4,
         "(the density's integral over [-1, 1] over n a) is below 1e-07: a draw would take about 1e+10 proposals; "
         "with sin_cos --tight, n=1 or more bins clear it"},
        {"one bin accepting 1e-8", one_bin("9999999900.000000", "1.5707963267948965e+08"), 4, "is below 1e-07"},
        {"H 2.11 edited to 2.10", edit({{0, "2.100000"}}), 5, "has height"},
        {"area lowered by 1%", edit({{6, lowered}}), 5, "has height"},
    };
    for (const auto& c : cases) {
        std::istringstream in(text_of(c.lines));
        try {
            sin_cos::read_table(in, "hostile");
            ADD_FAILURE() << c.what << ": loaded";
        } catch (const sin_cos::table_error& e) {
            EXPECT_EQ(e.code(), sin_cos::errc::unsound) << c.what;
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
        {"area 10^4 times larger", edit({{6, larger}}), 2.11, std::stod(f[5])},
        {"one bin accepting 1.5e-7", one_bin("666666566.666667", "1.0471975511965977e+07"), 2, 666666566.666667},
    };
    for (const auto& c : covered) {
        std::istringstream in(text_of(c.lines));
        const sin_cos::table t = sin_cos::read_table(in, "covered");
        EXPECT_EQ(t.H, c.H) << c.what;
        EXPECT_EQ(t.loss, c.loss) << c.what;
    }

    // A line without end, such as /dev/zero gives, is refused where it passes any table line's length.
    std::istringstream endless(std::string(1 << 20, '\0'));
    try {
        sin_cos::read_table(endless, "endless");
        ADD_FAILURE() << "endless line loaded";
    } catch (const sin_cos::table_error& e) {
        EXPECT_EQ(e.line(), 1);
        EXPECT_NE(std::string(e.what()).find("longer than 4096 characters"), std::string::npos) << e.what();
        EXPECT_LE(endless.tellg(), 4098);
    }
}

}  // namespace
