#pragma once

// What the tool says on the console about a build.

#include <chrono>
#include <optional>
#include <string>

#include "sin_cos/build.hpp"
#include "sin_cos/error.hpp"
#include "sin_cos/law.hpp"

namespace driver {

// What a build shows on the console: one self-erasing line on standard error
// while a calibration runs for more than about a second, and only when
// standard error is a terminal (files and logs never see it); and the one
// line that says an unsound table is being recalibrated.
class console_observer : public sin_cos::build_observer {
public:
    void progress(sin_cos::progress_event event, const char* stage, int layouts, double distance) override;
    void recalibrating(const char* why) override;

private:
    using steady = std::chrono::steady_clock;
    bool terminal_ = false;
    bool shown_ = false;
    steady::time_point started_;
    steady::time_point drawn_;
};

// The same, and the notes below, about one law of several: `about` names it
// ("law 2 (xini=-1, ...): ").
void announce_recalibration(const std::string& about, const char* why);

// The report line of histogram number ihist, with its loss.
void report_line(int ihist, double H, int M, double loss);

// The lines that close a run whose files are written.
void closing_lines();

// Tells a failure where the tool always has: a refusal on standard output (and
// on standard error too when standard output is not a terminal, where nobody
// may see it), a numerical failure on standard error. Returns the exit status.
int report_failure(const sin_cos::error& f);

// The status the tool exits with for a failure of this kind: -1 (255 as a
// shell reports it) for a refusal, 1 for everything else.
int exit_status(sin_cos::errc kind);

// Flushes standard output; a write that failed, then or before, is an
// input/output failure, as a failed write of the files is.
void flush_output();

// The same at the end of a run: tells the failure and returns the exit status.
int finish_output();

}  // namespace driver
