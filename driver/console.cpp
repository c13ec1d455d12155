#include "driver/console.hpp"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "driver/failure.hpp"
#include "sin_cos/build.hpp"

namespace driver {

namespace {

constexpr auto quiet_start = std::chrono::seconds(1);
constexpr auto redraw_interval = std::chrono::milliseconds(100);

}  // namespace

void console_observer::progress(sin_cos::progress_event event, const char* stage, int layouts, double distance)
{
    switch (event) {
    case sin_cos::progress_event::begin:
        terminal_ = isatty(STDERR_FILENO) == 1;
        shown_ = false;
        started_ = steady::now();
        return;
    case sin_cos::progress_event::pass: {
        if (!terminal_) return;
        const steady::time_point now = steady::now();
        if (now - started_ < quiet_start) return;
        if (shown_ && now - drawn_ < redraw_interval) return;
        // The cursor goes back to the line's start so that anything written to
        // the terminal next (a fatal error) starts at the left margin.
        std::fprintf(stderr, "\r\033[K%s: pass %d, last edge %.3g from its target\r", stage, layouts, distance);
        std::fflush(stderr);
        shown_ = true;
        drawn_ = now;
        return;
    }
    case sin_cos::progress_event::end:
        if (shown_) {
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
        }
        shown_ = false;
        terminal_ = false;
        return;
    }
}

void console_observer::recalibrating(const char* why) { announce_recalibration("", why); }

void announce_recalibration(const std::string& about, const char* why)
{
    std::fprintf(stderr, "!!! %stable recalibrated: %s\n", about.c_str(), why);
}

int exit_status(sin_cos::errc kind) { return kind == sin_cos::errc::refused ? -1 : 1; }

int report_failure(const sin_cos::error& f)
{
    const char* mark = dynamic_cast<const complaint*>(&f) != nullptr ? "!!! " : "";
    if (f.kind() != sin_cos::errc::refused) {
        std::fprintf(stderr, "%s%s\n...now exiting to system...\n", mark, f.what());
    } else {
        std::printf("%s%s\n", mark, f.what());
        if (isatty(STDOUT_FILENO) != 1) std::fprintf(stderr, "%s%s\n", mark, f.what());
    }
    return exit_status(f.kind());
}

void flush_output()
{
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && std::ferror(stdout) == 0) return;
    fail(sin_cos::errc::io, false, "cannot write standard output: %s",
                  flushed ? "an earlier write failed" : std::strerror(error));
}

int finish_output()
{
    try {
        flush_output();
    } catch (const sin_cos::error& f) {
        return report_failure(f);
    }
    return 0;
}

void closing_lines()
{
    std::printf("\n     -----------------------------------\n");
    std::printf("You must copy the file \"Sin_Cos.res\" in your working directory\n");
    std::printf("You must copy the first lines of Sin_Cos.res at the beginning of the program\n");
    std::printf("     -----------------------------------\n\n");
}

void report_line(int ihist, double H, int M, double loss)
{
    std::printf("Histogram=%d, H=%f, M=%d, loss=%f%% \n", ihist, H, M, loss);
}

}  // namespace driver
