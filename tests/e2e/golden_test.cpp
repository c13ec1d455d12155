#include <cctype>

#include "runner.hpp"

namespace {

using namespace e2e;

const fs::path golden_dir = SIN_COS_GOLDEN_DIR;

std::vector<std::string> reference_runs()
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(golden_dir, ec))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Without it every reference run would silently drop out of the suite.
TEST(ReferenceRuns, ArePresent)
{
    ASSERT_TRUE(fs::is_directory(golden_dir)) << "no reference runs at " << golden_dir;
    EXPECT_FALSE(reference_runs().empty()) << "no reference runs in " << golden_dir;
}

class Reference : public testing::TestWithParam<std::string> {};

TEST_P(Reference, IsReproducedByteForByte)
{
    const fs::path ref = golden_dir / GetParam();
    const auto input = slurp(ref / "stdin");
    const auto status = slurp(ref / "status");
    ASSERT_TRUE(input && status) << "incomplete reference run " << ref;

    Sandbox box;
    const Result r = box.run(*input);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, std::stoi(*status));
    EXPECT_TRUE(same_file(r.out, slurp(ref / "stdout"))) << "stdout";
    EXPECT_TRUE(same_file(r.err, slurp(ref / "stderr"))) << "stderr";
    EXPECT_TRUE(same_file(r.table, slurp(ref / table_name))) << table_name;
    EXPECT_TRUE(same_file(r.plot, slurp(ref / plot_name))) << plot_name;
}

INSTANTIATE_TEST_SUITE_P(Golden, Reference, testing::ValuesIn(reference_runs()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Reference);

}  // namespace
