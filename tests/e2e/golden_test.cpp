#include <cctype>

#include "runner.hpp"

namespace {

using namespace e2e;

const fs::path golden_dir = SIN_COS_GOLDEN_DIR;

// A missing directory must not shrink the suite silently: it becomes a failing run.
std::vector<std::string> reference_runs()
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(golden_dir, ec))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    if (names.empty()) names.push_back("missing");
    return names;
}

void expect_reproduced(const fs::path& ref, const std::string& input)
{
    const auto status = slurp(ref / "status");
    ASSERT_TRUE(status) << "no reference run at " << ref;
    Sandbox box;
    const Result r = box.run(input);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, std::stoi(*status));
    EXPECT_TRUE(same_file(r.out, slurp(ref / "stdout"))) << "stdout";
    EXPECT_TRUE(same_file(r.err, slurp(ref / "stderr"))) << "stderr";
    EXPECT_TRUE(same_file(r.table, slurp(ref / table_name))) << table_name;
    EXPECT_TRUE(same_file(r.plot, slurp(ref / plot_name))) << plot_name;
}

class Reference : public testing::TestWithParam<std::string> {};

TEST_P(Reference, IsReproducedByteForByte)
{
    expect_reproduced(golden_dir / GetParam(), slurp(golden_dir / GetParam() / "stdin").value_or(""));
}

// The dialogue reads numbers, not lines: the answers of a run may as well all
// come on one line.
TEST(AnswerLayout, OneLineGivesTheSameRun)
{
    std::size_t joined = 0;
    for (const auto& name : reference_runs()) {
        std::string input = slurp(golden_dir / name / "stdin").value_or("");
        if (std::count(input.begin(), input.end(), '\n') < 2) continue;
        std::replace(input.begin(), input.end() - 1, '\n', ' ');
        SCOPED_TRACE(name);
        expect_reproduced(golden_dir / name, input);
        ++joined;
    }
    EXPECT_GT(joined, 0u) << "no reference run with one answer per line";
}

INSTANTIATE_TEST_SUITE_P(Golden, Reference, testing::ValuesIn(reference_runs()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
