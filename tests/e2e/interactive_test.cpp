// The dialogue fed as a person or a program feeds it: one answer after each
// prompt, from a pipe and from a terminal.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "runner.hpp"

namespace {

using namespace e2e;

// The tool with its standard output and error on pipes and its standard
// input on a pipe or, with `terminal`, on a pseudo-terminal.
class Fed {
public:
    Fed(const Sandbox& box, bool terminal)
    {
        int out[2], err[2], in[2] = {-1, -1};
        if (::pipe(out) != 0 || ::pipe(err) != 0) throw std::runtime_error("pipe failed");
        std::string slave;
        if (terminal) {
            in_ = ::posix_openpt(O_RDWR | O_NOCTTY);
            if (in_ < 0 || ::grantpt(in_) != 0 || ::unlockpt(in_) != 0) throw std::runtime_error("no pseudo-terminal");
            slave = ::ptsname(in_);
        } else if (::pipe(in) != 0) {
            throw std::runtime_error("pipe failed");
        }
        const std::string wd = box.dir();
        pid_ = ::fork();
        if (pid_ == 0) {
            int fd0 = in[0];
            if (terminal) {
                ::setsid();
                fd0 = ::open(slave.c_str(), O_RDWR);
                termios t{};
                ::tcgetattr(fd0, &t);
                t.c_lflag &= ~static_cast<tcflag_t>(ECHO);  // nobody reads the echo
                ::tcsetattr(fd0, TCSANOW, &t);
            }
            if (fd0 < 0 || ::dup2(fd0, 0) < 0 || ::dup2(out[1], 1) < 0 || ::dup2(err[1], 2) < 0 ||
                ::chdir(wd.c_str()) != 0)
                ::_exit(126);
            ::alarm(60);
            ::execl(SIN_COS_BIN, SIN_COS_BIN, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        if (!terminal) {
            ::close(in[0]);
            in_ = in[1];
        }
        out_ = out[0];
        err_ = err[0];
    }
    ~Fed()
    {
        if (in_ >= 0) ::close(in_);
        ::close(out_);
        ::close(err_);
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    void send(const std::string& text) { ASSERT_EQ(::write(in_, text.data(), text.size()), ssize_t(text.size())); }

    // Reads standard output and error until `text` ends what one of them said so far
    // (`on_err`: standard error), for at most ten seconds.
    bool said(const std::string& text, bool on_err = false)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::string& seen = on_err ? err_text_ : out_text_;
        while (seen.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > until) return false;
            pollfd p[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
            if (::poll(p, 2, 100) <= 0) continue;
            for (int i = 0; i < 2; ++i) {
                if (!(p[i].revents & (POLLIN | POLLHUP))) continue;
                char buf[4096];
                const ssize_t got = ::read(p[i].fd, buf, sizeof buf);
                if (got > 0) (i == 0 ? out_text_ : err_text_).append(buf, static_cast<std::size_t>(got));
                else if (i == (on_err ? 1 : 0)) return seen.find(text) != std::string::npos;
            }
        }
        return true;
    }

    int status()
    {
        for (int fd : {out_, err_}) {  // both pipes to their end
            char buf[4096];
            for (ssize_t got; (got = ::read(fd, buf, sizeof buf)) > 0;)
                (fd == out_ ? out_text_ : err_text_).append(buf, static_cast<std::size_t>(got));
        }
        int ws = 0;
        ::waitpid(pid_, &ws, 0);
        pid_ = -1;
        return WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    }

    const std::string& err() const { return err_text_; }
    const std::string& out() const { return out_text_; }

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    std::string out_text_, err_text_;
};

struct step {
    const char* prompt;  // what standard output ends with before the answer is sent
    const char* answer;
    const char* note;    // what standard error then says, or nullptr
};

// Each answer is sent only once its prompt is out, and each note must come
// before the next answer is sent: a dialogue that read ahead would wait here.
void feed(Fed& fed, const std::vector<step>& steps)
{
    for (const step& s : steps) {
        ASSERT_TRUE(fed.said(s.prompt)) << "no prompt \"" << s.prompt << "\"; said:\n" << fed.out();
        fed.send(s.answer);
        if (s.note) {
            ASSERT_TRUE(fed.said(s.note, true)) << "no note \"" << s.note << "\"; said:\n" << fed.err();
        }
    }
}

TEST(Fed, FromAPipeOneAnswerAPromptTheReaskIsToldWithoutReadingAhead)
{
    Sandbox box;
    Fed fed(box, false);
    feed(fed, {{"xini=", "-1\n", nullptr},
               {"xfin=", "1\n", nullptr},
               {"H=", "0.5\n", nullptr},
               {"!!! H must be >= 1 %\ngive H (>1);    example: +2.11           -> H=", "4\n",
                "!!! H=0.5 refused; \"4\" was then read as H\n"},
               {"M=", "1000\n", nullptr},
               {"n=", "20\n", nullptr}});
    EXPECT_EQ(fed.status(), 0);
    EXPECT_NE(fed.err().find("built from xini=-1, xfin=1, H=4, M=1000, n=20\n"), std::string::npos) << fed.err();
    EXPECT_EQ(lines(slurp(box.dir() / table_name).value_or("\n\n\n\n")).at(3).rfind("4.000000 1000 20 ", 0), 0u);
}

TEST(Fed, AtATerminalAnAnswerThatCannotBeReadIsAskedAgain)
{
    Sandbox box;
    std::unique_ptr<Fed> fed;
    try {
        fed = std::make_unique<Fed>(box, true);
    } catch (const std::runtime_error& e) {
        GTEST_SKIP() << e.what();
    }
    feed(*fed, {{"xini=", "0\n", nullptr},
                {"xfin=", "abc 0.5\n", nullptr},
                {"!!! cannot read \"abc\" as xfin: give xfin again\ngive xfin  ;    example: +1(normal)      -> xfin=",
                 "0.9\n", nullptr},
                {"H=", "3\n", nullptr},
                {"M=", "-\n", nullptr},
                {"!!! cannot read \"-\" as M: give M again\ngive M (even >=0);    example: +4              -> M=", "2\n",
                 nullptr},
                {"n=", "30\n", nullptr}});
    EXPECT_EQ(fed->status(), 0);
    EXPECT_EQ(fed->err().find("!!! cannot read"), std::string::npos) << fed->err();
    EXPECT_EQ(lines(slurp(box.dir() / table_name).value_or("\n\n\n\n")).at(3).rfind("3.000000 2 30 0.000000 0.900000 ", 0),
              0u);
}

}  // namespace
