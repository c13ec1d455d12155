#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

inline const std::string table_name = "Sin_Cos.res";
inline const std::string plot_name = "Sin_Cos_g1_f1.res";

// Contents of a regular file; nothing for a missing file, a directory or a device.
inline std::optional<std::string> slurp(const fs::path& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

inline void spill(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

struct Result {
    int status = -1;  // as a shell reports it: 255 for exit(-1), 128 + signal number
    bool timed_out = false;
    std::string out, err;
    std::optional<std::string> table, plot;
};

// One fresh directory per run. The captured streams live beside the run
// directory, so that it holds only what the tool leaves there.
class Sandbox {
public:
    Sandbox()
    {
        std::string pattern = (fs::temp_directory_path() / "sin_cos_e2e.XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        base_ = pattern;
        fs::create_directory(dir());
    }
    ~Sandbox()
    {
        std::error_code ec;
        fs::permissions(dir(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(base_, ec);
    }
    Sandbox(const Sandbox&) = delete;

    fs::path dir() const { return base_ / "run"; }

    // Runs `prefix... SIN_COS_BIN args...` inside dir() with `input` as standard input.
    Result run(const std::string& input, std::vector<std::string> prefix = {}, unsigned limit_s = 120,
               const std::vector<std::string>& args = {}) const
    {
        const std::string in = base_ / "stdin", out = base_ / "stdout", err = base_ / "stderr", wd = dir();
        spill(in, input);
        prefix.push_back(SIN_COS_BIN);
        prefix.insert(prefix.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& arg : prefix) argv.push_back(arg.data());
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid < 0) throw std::runtime_error("fork failed");
        if (pid == 0) {
            const int fd0 = ::open(in.c_str(), O_RDONLY);
            const int fd1 = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int fd2 = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd0 < 0 || fd1 < 0 || fd2 < 0 || ::dup2(fd0, 0) < 0 || ::dup2(fd1, 1) < 0 || ::dup2(fd2, 2) < 0 ||
                ::chdir(wd.c_str()) != 0)
                ::_exit(126);
            // The alarm survives exec and ends a run that hangs; the size limit
            // keeps a run that loops on its prompts from filling the disk first.
            ::alarm(limit_s);
            const rlimit size{64 << 20, 64 << 20};
            ::setrlimit(RLIMIT_FSIZE, &size);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }

        Result r;
        int ws = 0;
        ::waitpid(pid, &ws, 0);
        r.timed_out = WIFSIGNALED(ws) && WTERMSIG(ws) == SIGALRM;
        r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
        r.out = slurp(out).value_or("");
        r.err = slurp(err).value_or("");
        r.table = slurp(dir() / table_name);
        r.plot = slurp(dir() / plot_name);
        return r;
    }

private:
    fs::path base_;
};

// Byte equality of two optional files; on a difference, where it starts.
inline testing::AssertionResult same_file(const std::optional<std::string>& got,
                                          const std::optional<std::string>& want)
{
    if (got == want) return testing::AssertionSuccess();
    if (!got || !want) return testing::AssertionFailure() << (got ? "should be absent" : "is missing");
    const auto at = std::mismatch(got->begin(), got->end(), want->begin(), want->end()).second - want->begin();
    return testing::AssertionFailure() << "differs from byte " << at << ", line "
                                       << 1 + std::count(want->begin(), want->begin() + at, '\n') << " (sizes "
                                       << got->size() << " and " << want->size() << ")";
}

}  // namespace e2e
