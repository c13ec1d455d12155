// Files replaced whole: a run that fails or is stopped at any moment leaves
// the files it found or its own complete ones, and runs at once in one
// folder leave both files of one run.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <thread>

#include "runner.hpp"

namespace {

using namespace e2e;
using std::chrono::milliseconds;

int count_from_env(const char* name, int fallback)
{
    const char* v = std::getenv(name);
    return v != nullptr ? std::atoi(v) : fallback;
}

// Where a run's standard output goes.
enum class out { discarded, closed, full, unread_pipe };

// Starts the tool in dir with these arguments, on the answers in `input`.
pid_t start(const fs::path& dir, const fs::path& input, const std::vector<std::string>& args = {},
            out output = out::discarded, bool ignore_sigpipe = false)
{
    std::vector<std::string> words{SIN_COS_BIN};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(input.c_str(), O_RDONLY);
        const int null = ::open("/dev/null", O_WRONLY);
        int pipe_ends[2];
        if (in < 0 || null < 0 || ::pipe(pipe_ends) != 0 || ::dup2(in, 0) < 0 || ::dup2(null, 2) < 0 ||
            ::chdir(dir.c_str()) != 0)
            ::_exit(126);
        ::close(pipe_ends[0]);
        const int stdout_fd = output == out::discarded   ? null
                              : output == out::full        ? ::open("/dev/full", O_WRONLY)
                              : output == out::unread_pipe ? pipe_ends[1]
                                                           : -1;
        if (stdout_fd >= 0 ? ::dup2(stdout_fd, 1) < 0 : ::close(1) != 0) ::_exit(126);
        if (ignore_sigpipe) ::signal(SIGPIPE, SIG_IGN);
        ::alarm(120);
        ::execv(SIN_COS_BIN, argv.data());
        ::_exit(127);
    }
    return pid;
}

int status_of(int ws) { return WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws); }

int wait_for(pid_t pid)
{
    int ws = 0;
    ::waitpid(pid, &ws, 0);
    return status_of(ws);
}

// The run's status if it ends within `limit`; otherwise it is killed.
std::optional<int> ends_within(pid_t pid, milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int ws = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(pid, &ws, WNOHANG) == pid) return status_of(ws);
        std::this_thread::sleep_for(milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &ws, 0);
    return std::nullopt;
}

struct Files {
    std::optional<std::string> table, plot;
    bool operator==(const Files&) const = default;
};

Files files_of(const fs::path& dir) { return {slurp(dir / table_name), slurp(dir / plot_name)}; }

Files reference(const std::string& input, const std::vector<std::string>& args = {})
{
    Sandbox box;
    const Result r = box.run(input, {}, 120, args);
    return {r.table, r.plot};
}

const Files previous{"previous table\n", "previous plot\n"};

void put(const fs::path& dir, const Files& f)
{
    spill(dir / table_name, *f.table);
    spill(dir / plot_name, *f.plot);
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

// Half the stops come while the files are written, at the run's end; the
// runs alternate between the dialogue and many laws on the command line.
TEST(Replacement, AStoppedRunLeavesTheOldFilesOrItsOwn)
{
    const int kills = count_from_env("SIN_COS_KILLS", 8);
    const std::string answers = "-1 1 2.11 4 10000\n";
    const std::vector<std::string> laws = {"--bins", "2500", "--law", "-1", "1", "2.11", "4", "--law", "-1", "1", "30",
                                           "10", "--law", "0", "1", "1.5", "0", "--law", "-1", "1", "3", "4"};
    struct Kind {
        std::vector<std::string> args;
        Files after;
        std::chrono::steady_clock::duration run_time;
    } kinds[2] = {{{}, {}, {}}, {laws, {}, {}}};
    for (Kind& k : kinds) {
        const auto t0 = std::chrono::steady_clock::now();
        k.after = reference(answers, k.args);
        k.run_time = std::chrono::steady_clock::now() - t0;
        ASSERT_TRUE(k.after.table && k.after.plot);
    }

    Sandbox box;
    const fs::path input = box.dir().parent_path() / "answers";
    spill(input, answers);
    std::mt19937_64 random(20260);
    const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGKILL};
    std::map<std::string, int> outcomes;
    for (int k = 0; k < kills; ++k) {
        const Kind& kind = kinds[k % 2];
        for (const auto& name : others(box.dir())) fs::remove(box.dir() / name);
        put(box.dir(), previous);
        const int sig = signals[k / 2 % 4];
        const bool at_end = k % 4 == 0 || k % 4 == 3;  // each signal and each kind of run both ways
        const double share = at_end ? std::uniform_real_distribution<double>(0.85, 1.15)(random)
                                    : std::uniform_real_distribution<double>(0, 1)(random);
        const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(kind.run_time * share);
        const pid_t pid = start(box.dir(), input, kind.args);
        std::this_thread::sleep_for(delay);
        ::kill(pid, sig);
        const int status = wait_for(pid);
        const Files left = files_of(box.dir());
        SCOPED_TRACE(testing::Message() << "signal " << sig << " after " << delay.count() << " us, "
                                        << (kind.args.empty() ? "dialogue" : "laws") << ", status " << status);
        EXPECT_TRUE(left.table == previous.table || left.table == kind.after.table);
        EXPECT_TRUE(left.plot == previous.plot || left.plot == kind.after.plot);
        const auto leftovers = others(box.dir());
        if (sig != SIGKILL) {
            // Both files are put in place together, or neither.
            EXPECT_TRUE(left == previous || left == kind.after);
            EXPECT_TRUE(leftovers.empty()) << leftovers.front();
        }
        for (const auto& name : leftovers) EXPECT_NE(name.find(".tmp"), std::string::npos) << name;
        ++outcomes[left == previous ? "previous files" : left == kind.after ? "complete new files" : "one of each"];
    }
    for (const auto& [what, n] : outcomes) std::printf("%d runs stopped left the %s\n", n, what.c_str());
}

// Three runs at once, one of them at times failing and leaving the banner:
// the table and the plot are always one run's.
TEST(Replacement, RunsAtOnceLeaveBothFilesOfOneRun)
{
    const int rounds = count_from_env("SIN_COS_TRIOS", 12);
    const std::string answers[] = {"-1 1 2 4 2000\n", "-1 1 2.5 4 3000\n", "-1 1 3 4 4000\n", "-1 1 2e19 0 7\n"};
    std::vector<Files> made;
    for (const auto& a : answers) made.push_back(reference(a));
    ASSERT_EQ(lines(made[3].table.value_or("")).size(), 3u);

    Sandbox box;
    std::vector<fs::path> inputs;
    for (std::size_t i = 0; i < 4; ++i) {
        inputs.push_back(box.dir().parent_path() / ("answers" + std::to_string(i)));
        spill(inputs.back(), answers[i]);
    }
    std::mt19937_64 random(30);
    std::map<std::string, int> outcomes;
    for (int k = 0; k < rounds; ++k) {
        for (const auto& e : fs::directory_iterator(box.dir())) fs::remove(e.path());
        std::vector<std::size_t> runs = {0, 1, k % 3 == 2 ? std::size_t{3} : std::size_t{2}};
        std::shuffle(runs.begin(), runs.end(), random);
        std::vector<pid_t> pids;
        for (std::size_t i : runs) pids.push_back(start(box.dir(), inputs[i]));
        for (std::size_t j = 0; j < 3; ++j) EXPECT_EQ(wait_for(pids[j]), runs[j] == 3 ? 1 : 0);
        const Files left = files_of(box.dir());
        std::string what = "a mix";
        for (std::size_t i : runs) {
            if (left == made[i]) what = "both files of run " + std::to_string(i);
            if (i == 3 && left.table == made[3].table) what = "the banner of the failing run";
        }
        EXPECT_NE(what, "a mix");
        EXPECT_TRUE(others(box.dir()).empty());
        ++outcomes[what];
    }
    for (const auto& [what, n] : outcomes) std::printf("%d rounds left %s\n", n, what.c_str());
}

// A run waits while another holds the folder, and writes once it is free.
TEST(Replacement, RunsInOneFolderTakeTurns)
{
    const std::vector<std::string> args = {"-1", "1", "2", "4", "50"};
    const Files after = reference("", args);
    Sandbox box;
    put(box.dir(), previous);
    const fs::path input = box.dir().parent_path() / "answers";
    spill(input, "");
    const int folder = ::open(box.dir().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(folder, LOCK_EX), 0);
    const pid_t pid = start(box.dir(), input, args);
    std::this_thread::sleep_for(milliseconds(500));
    int ws = 0;
    const bool waited = ::waitpid(pid, &ws, WNOHANG) == 0;
    EXPECT_TRUE(waited) << "the run did not wait its turn";
    EXPECT_TRUE(files_of(box.dir()) == previous);
    EXPECT_TRUE(others(box.dir()).empty());
    ::close(folder);
    EXPECT_EQ(waited ? ends_within(pid, milliseconds(10000)) : status_of(ws), 0);
    EXPECT_TRUE(files_of(box.dir()) == after);
}

struct PipeCase {
    const char* name;
    const std::string* fifo;
    int signal;
};

class StopWhileWaitingOnAPipe : public testing::TestWithParam<PipeCase> {};

// A pipe nobody reads as one of the files: a stop still ends the run at once,
// and no temporary stays.
TEST_P(StopWhileWaitingOnAPipe, EndsTheRunAtOnce)
{
    const PipeCase& c = GetParam();
    Sandbox box;
    put(box.dir(), previous);
    fs::remove(box.dir() / *c.fifo);
    ASSERT_EQ(::mkfifo((box.dir() / *c.fifo).c_str(), 0644), 0);
    const fs::path input = box.dir().parent_path() / "answers";
    spill(input, "");
    const pid_t pid = start(box.dir(), input, {"--bins", "50", "--law", "-1", "1", "2", "4", "--law", "0", "1", "3", "2"});
    // The other file's temporary shows that the run has come to the pipe.
    for (int wait = 0; wait < 500 && others(box.dir()).empty(); ++wait) std::this_thread::sleep_for(milliseconds(10));
    EXPECT_FALSE(others(box.dir()).empty()) << "the other file was not waiting to be put in place";
    std::this_thread::sleep_for(milliseconds(100));
    ::kill(pid, c.signal);
    EXPECT_EQ(ends_within(pid, milliseconds(5000)), 128 + c.signal);
    EXPECT_TRUE(others(box.dir()).empty());
    const std::string& regular = c.fifo == &table_name ? plot_name : table_name;
    EXPECT_EQ(slurp(box.dir() / regular), c.fifo == &table_name ? previous.plot : previous.table);
}

INSTANTIATE_TEST_SUITE_P(Stops, StopWhileWaitingOnAPipe,
                         testing::Values(PipeCase{"table_sigterm", &table_name, SIGTERM},
                                         PipeCase{"plot_sigint", &plot_name, SIGINT},
                                         PipeCase{"table_sighup", &table_name, SIGHUP}),
                         [](const auto& info) { return std::string(info.param.name); });

struct OutputCase {
    const char* name;
    const char* answers;
    bool on_command_line;
    out output;
    bool ignore_sigpipe;
    int status;
};

class LostOutput : public testing::TestWithParam<OutputCase> {};

// Standard output that cannot be written fails the run before its files are
// put in place, the early end's banner included.
TEST_P(LostOutput, LeavesThePreviousFiles)
{
    const OutputCase& c = GetParam();
    Sandbox box;
    put(box.dir(), previous);
    const fs::path input = box.dir().parent_path() / "answers";
    std::vector<std::string> args;
    if (c.on_command_line) {
        std::istringstream words(c.answers);
        for (std::string w; words >> w;) args.push_back(w);
    }
    spill(input, c.on_command_line ? "" : c.answers);
    EXPECT_EQ(wait_for(start(box.dir(), input, args, c.output, c.ignore_sigpipe)), c.status);
    EXPECT_TRUE(files_of(box.dir()) == previous);
    EXPECT_TRUE(others(box.dir()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, LostOutput,
    testing::Values(OutputCase{"closed", "-1 1 3 4 1200", false, out::closed, false, 1},
                    OutputCase{"full_laws", "-1 1 3 4 1200", true, out::full, false, 1},
                    OutputCase{"unread_pipe_laws", "--bins 1200 --law -1 1 3 4 --law 0 1 2 0", true,
                               out::unread_pipe, false, 128 + SIGPIPE},
                    OutputCase{"unread_pipe_ignored", "-1 1 3 4 1200", true, out::unread_pipe, true, 1},
                    OutputCase{"closed_early_end", "-1 1 2e19 0 7", false, out::closed, false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

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

// A directory closed to new files, with files that are writable: written in place.
TEST(Replacement, AClosedDirectoryGetsItsFilesWrittenInPlace)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the tool as another user";
    Sandbox box;
    const std::vector<std::string> as_user = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    fs::permissions(box.dir().parent_path(), fs::perms(0755));
    for (const auto& name : {table_name, plot_name}) {
        spill(box.dir() / name, "old\n" + std::string(5000, 'x'));  // longer than the new text
        fs::permissions(box.dir() / name, fs::perms(0666));
    }
    fs::permissions(box.dir(), fs::perms(0555));
    std::vector<std::string> probe = as_user;
    probe.insert(probe.end(), {"test", "-x"});
    if (box.run("", probe, 30).status != 0) GTEST_SKIP() << "cannot run the tool as uid 65534 through setpriv";
    const Result r = box.run("-1 1 2 4 7\n", as_user);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.table.value_or("")).size(), 11u);
    EXPECT_EQ(lines(r.plot.value_or("")).size(), 14u);
}

// A file system too small for the new files, which are rewritten in place
// (the folder closed to new files) or written beside the old ones: these
// stay whole. The plot file is the one that does not fit.
TEST(Replacement, AFullFileSystemLeavesThePreviousFiles)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount a small file system";
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    std::string numbers;
    for (int i = 0; i < 2000; ++i) numbers += std::to_string(i) + "\n";
    const Files old{"previous table\n" + numbers, "previous plot\n" + numbers};
    for (const bool in_place : {true, false}) {
        SCOPED_TRACE(in_place ? "in place" : "beside");
        Sandbox box;
        ASSERT_EQ(::mount("tmpfs", box.dir().c_str(), "tmpfs", 0, "size=64k"), 0) << std::strerror(errno);
        struct Unmount {
            fs::path dir;
            ~Unmount() { ::umount2(dir.c_str(), MNT_DETACH); }
        } unmount{box.dir()};
        put(box.dir(), old);
        std::vector<std::string> as_user;
        if (in_place) {
            as_user = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
            fs::permissions(box.dir().parent_path(), fs::perms(0755));
            for (const auto& name : {table_name, plot_name}) fs::permissions(box.dir() / name, fs::perms(0666));
            fs::permissions(box.dir(), fs::perms(0555));
        }
        const Result r = box.run("", as_user, 60, {"--bins", "1200", "--law", "-1", "1", "3", "4"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(std::strerror(ENOSPC)), std::string::npos) << r.err;
        EXPECT_TRUE(files_of(box.dir()) == old);
        EXPECT_TRUE(others(box.dir()).empty());
    }
}

}  // namespace
