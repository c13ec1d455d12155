#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sin_cos/sampler.hpp>

#include "tool_tables.hpp"

namespace {

namespace fs = std::filesystem;

// Every failure of the library is a sin_cos::error of one kind, its message
// naming the value at fault.
TEST(Errors, EveryFailureCarriesItsKind)
{
    const fs::path dir = tool_tables::fresh_dir();
    const std::string missing = (dir / "missing" / "Sin_Cos.res").string();
    const std::string malformed = (dir / "malformed.res").string();
    const std::string unsound = (dir / "unsound.res").string();
    const std::string one = (dir / "one.res").string();
    std::ofstream(malformed) << "*** copy this line\n#define Nd_poi two\n";
    std::ofstream(unsound) << "*** copy this line\n#define Nd_poi 2\n$ end\n1e300 4 2 -0.5 0.5 1.0  1.0\n-0.5\n0\n";
    const sin_cos::table t = sin_cos::build_table(sin_cos::law{}, 10);
    sin_cos::write_table(t, one);

    const struct {
        const char* what;
        std::function<void()> call;
        sin_cos::errc kind;
        std::string names;
    } cases[] = {
        {"missing file", [&] { sin_cos::load_table(missing); }, sin_cos::errc::io, missing},
        {"missing file, all histograms", [&] { sin_cos::load_tables(missing); }, sin_cos::errc::io, missing},
        {"a directory", [&] { sin_cos::load_table(dir.string()); }, sin_cos::errc::io, dir.string()},
        {"a directory, all histograms", [&] { sin_cos::load_tables(dir.string()); }, sin_cos::errc::io, dir.string()},
        {"write into a missing folder", [&] { sin_cos::write_table(t, missing); }, sin_cos::errc::io, missing},
        {"malformed", [&] { sin_cos::load_table(malformed); }, sin_cos::errc::malformed, "malformed.res:2: "},
        {"unsound", [&] { sin_cos::load_table(unsound); }, sin_cos::errc::unsound, "unsound.res:4: "},
        {"refused interval", [] { sin_cos::build_table(sin_cos::law{0.5, -0.5, 2, 4}, 10); }, sin_cos::errc::refused,
         "xini=0.5, xfin=-0.5"},
        {"refused n", [] { sin_cos::build_table(sin_cos::law{}, 100001); }, sin_cos::errc::refused, "n=100001"},
        {"H below a table's", [] { sin_cos::build_table(sin_cos::law{-1, 1, 0.5, 4}, 10); }, sin_cos::errc::refused,
         "H=0.5"},
        {"H below a law's", [] { sin_cos::law_functions(sin_cos::law{-1, 1, -1, 4}); }, sin_cos::errc::refused, "H=-1"},
        {"numerical", [] { sin_cos::build_table(sin_cos::law{-1, 1, 1e13, 4}, 10); }, sin_cos::errc::numerical,
         "H=1e+13"},
        {"index past the last", [&] { sin_cos::load_table(one, 1); }, sin_cos::errc::invalid_argument,
         "no histogram 1"},
        {"no law", [] { sin_cos::build_tables({}, 10); }, sin_cos::errc::invalid_argument, "no law"},
        {"bins that differ", [&] { sin_cos::write_tables({t, sin_cos::build_table(sin_cos::law{}, 11)}, one); },
         sin_cos::errc::invalid_argument, "has 11 bins"},
        {"a negative moment", [] { sin_cos::law_functions(sin_cos::law{}).moment(-1); },
         sin_cos::errc::invalid_argument, "k=-1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            c.call();
            ADD_FAILURE() << "no failure";
        } catch (const sin_cos::error& e) {
            EXPECT_EQ(sin_cos::name(e.kind()), std::string(sin_cos::name(c.kind)));
            EXPECT_EQ(e.code(), e.kind());
            EXPECT_NE(std::string(e.what()).find(c.names), std::string::npos) << e.what();
        }
    }
    fs::remove_all(dir);
}

}  // namespace
