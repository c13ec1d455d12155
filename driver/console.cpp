#include "driver/console.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace driver {

namespace {

using steady = std::chrono::steady_clock;

constexpr auto quiet_start = std::chrono::seconds(1);
constexpr auto redraw_interval = std::chrono::milliseconds(100);

bool terminal = false;
bool shown = false;
steady::time_point started;
steady::time_point drawn;

}  // namespace

void progress_line(envelope::progress_event event, const char* stage, int layouts, double distance)
{
    switch (event) {
    case envelope::progress_event::begin:
        terminal = isatty(STDERR_FILENO) == 1;
        shown = false;
        started = steady::now();
        return;
    case envelope::progress_event::pass: {
        if (!terminal) return;
        const steady::time_point now = steady::now();
        if (now - started < quiet_start) return;
        if (shown && now - drawn < redraw_interval) return;
        // The cursor goes back to the line's start so that anything written to
        // the terminal next (a fatal error) starts at the left margin.
        std::fprintf(stderr, "\r\033[K%s: pass %d, last edge %.3g from its target\r", stage, layouts, distance);
        std::fflush(stderr);
        shown = true;
        drawn = now;
        return;
    }
    case envelope::progress_event::end:
        if (shown) {
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
        }
        shown = false;
        terminal = false;
        return;
    }
}

void announce_recalibration(const char* why) { std::fprintf(stderr, "!!! table recalibrated: %s\n", why); }

void warn_low_bins(const std::vector<envelope::low_bin>& low)
{
    for (const envelope::low_bin& b : low) {
        std::fprintf(stderr, "!!! for f1[%d]=%f <max=%f on [%f,%f]\n", b.i, b.f1, b.max, b.x0, b.x1);
    }
}

void report_line(int ihist, double H, int M, double loss)
{
    std::printf("Histogram=%d, H=%f, M=%d, loss=%f%% \n", ihist, H, M, loss);
}

}  // namespace driver
