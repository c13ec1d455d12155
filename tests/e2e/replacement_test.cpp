// Files replaced whole: a run stopped at any moment leaves the files it found
// or its own complete ones, and two runs at once leave each file one run's.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <random>
#include <thread>

#include "runner.hpp"

namespace {

using namespace e2e;

int count_from_env(const char* name, int fallback)
{
    const char* v = std::getenv(name);
    return v != nullptr ? std::atoi(v) : fallback;
}

// Starts the tool in dir on the answers in `input`, its output discarded.
pid_t start(const fs::path& dir, const fs::path& input)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(input.c_str(), O_RDONLY);
        const int null = ::open("/dev/null", O_WRONLY);
        if (in < 0 || null < 0 || ::dup2(in, 0) < 0 || ::dup2(null, 1) < 0 || ::dup2(null, 2) < 0 ||
            ::chdir(dir.c_str()) != 0)
            ::_exit(126);
        ::alarm(120);
        ::execl(SIN_COS_BIN, SIN_COS_BIN, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

int wait_for(pid_t pid)
{
    int ws = 0;
    ::waitpid(pid, &ws, 0);
    return WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
}

struct Files {
    std::optional<std::string> table, plot;
    bool operator==(const Files&) const = default;
};

Files files_of(const fs::path& dir) { return {slurp(dir / table_name), slurp(dir / plot_name)}; }

Files reference(const std::string& input)
{
    Sandbox box;
    const Result r = box.run(input);
    return {r.table, r.plot};
}

// What a directory holds besides the two files: a stopped run's temporaries.
std::vector<std::string> others(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (name != table_name && name != plot_name) names.push_back(name);
    }
    return names;
}

TEST(Replacement, AStoppedRunLeavesTheOldFilesOrItsOwn)
{
    const int kills = count_from_env("SIN_COS_KILLS", 4);
    const std::string answers = "-1 1 2.11 4 100000\n";
    const Files before = reference("-1 1 2 4 1000\n");
    const auto t0 = std::chrono::steady_clock::now();
    const Files after = reference(answers);
    const auto run_time = std::chrono::steady_clock::now() - t0;
    ASSERT_TRUE(after.table && after.plot);

    Sandbox box;
    const fs::path input = box.dir().parent_path() / "answers";
    spill(input, answers);
    std::mt19937_64 random(20260);
    const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGKILL};
    std::map<std::string, int> outcomes;
    for (int k = 0; k < kills; ++k) {
        for (const auto& name : others(box.dir())) fs::remove(box.dir() / name);
        spill(box.dir() / table_name, *before.table);
        spill(box.dir() / plot_name, *before.plot);
        const int sig = signals[k % 4];
        const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(run_time * 1.2) *
                           std::uniform_real_distribution<double>(0, 1)(random);
        const pid_t pid = start(box.dir(), input);
        std::this_thread::sleep_for(delay);
        ::kill(pid, sig);
        const int status = wait_for(pid);
        const Files left = files_of(box.dir());
        SCOPED_TRACE(testing::Message() << "signal " << sig << " after " << delay.count() << " us, status " << status);
        EXPECT_TRUE(left.table == before.table || left.table == after.table);
        EXPECT_TRUE(left.plot == before.plot || left.plot == after.plot);
        const auto leftovers = others(box.dir());
        if (sig != SIGKILL) {
            // Both files are put in place together, or neither.
            EXPECT_TRUE(left == before || left == after);
            EXPECT_TRUE(leftovers.empty()) << leftovers.front();
        }
        for (const auto& name : leftovers) EXPECT_NE(name.find(".tmp"), std::string::npos) << name;
        ++outcomes[left == before ? "previous files" : left == after ? "complete new files" : "one of each"];
    }
    for (const auto& [what, n] : outcomes) std::printf("%d runs stopped left the %s\n", n, what.c_str());
}

TEST(Replacement, TwoRunsAtOnceLeaveEachFileOneRunsWhole)
{
    const int pairs = count_from_env("SIN_COS_PAIRS", 3);
    // Two builds of different lengths, and one that fails at once and leaves the banner.
    const std::string answers[] = {"-1 1 2 4 20000\n", "-1 1 2 4 30000\n", "-1 1 2e19 0 7\n"};
    std::vector<Files> made;
    for (const auto& a : answers) made.push_back(reference(a));
    ASSERT_EQ(lines(made[2].table.value_or("")).size(), 3u);

    Sandbox box;
    std::vector<fs::path> inputs;
    for (std::size_t i = 0; i < 3; ++i) {
        inputs.push_back(box.dir().parent_path() / ("answers" + std::to_string(i)));
        spill(inputs.back(), answers[i]);
    }
    std::map<std::string, int> outcomes;
    for (int k = 0; k < pairs; ++k) {
        for (const auto& e : fs::directory_iterator(box.dir())) fs::remove(e.path());
        const std::size_t second = 1 + k % 2;
        const pid_t a = start(box.dir(), inputs[0]);
        const pid_t b = start(box.dir(), inputs[second]);
        EXPECT_EQ(wait_for(a), 0);
        EXPECT_EQ(wait_for(b), second == 2 ? 1 : 0);
        const Files left = files_of(box.dir());
        int table_of = -1;
        for (std::size_t i : {std::size_t{0}, second})
            if (left.table == made[i].table) table_of = static_cast<int>(i);
        EXPECT_NE(table_of, -1) << "a table of neither run";
        EXPECT_TRUE(left.plot == made[0].plot || left.plot == made[second].plot) << "a plot of neither run";
        EXPECT_TRUE(others(box.dir()).empty());
        ++outcomes["table of run " + std::to_string(table_of)];
    }
    for (const auto& [what, n] : outcomes) std::printf("%d pairs left the %s\n", n, what.c_str());
}

// The file replaced is the one a link points to; its permission bits stay.
TEST(Replacement, LinksAndPermissionsAreKept)
{
    Sandbox box;
    fs::create_directory(box.dir() / "kept");
    spill(box.dir() / "kept" / "table.res", "old table\n");
    ::chmod((box.dir() / "kept" / "table.res").c_str(), 0640);
    fs::create_symlink("kept/table.res", box.dir() / table_name);
    const Result r = box.run("-1 1 2 4 7\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(box.dir() / table_name));
    EXPECT_EQ(slurp(box.dir() / "kept" / "table.res"), r.table);
    EXPECT_EQ(lines(r.table.value_or("")).size(), 11u);
    struct stat st;
    ASSERT_EQ(::stat((box.dir() / "kept" / "table.res").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(box.dir() / "kept"), fs::directory_iterator()), 1);
}

}  // namespace
