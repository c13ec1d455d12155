#pragma once

// What the tool says on the console about a build.

#include <vector>

#include "envelope/corrections.hpp"
#include "envelope/progress.hpp"

namespace driver {

// One self-erasing line on standard error while a calibration runs for more
// than about a second, and only when standard error is a terminal: files and
// logs never see it.
void progress_line(envelope::progress_event event, const char* stage, int layouts, double distance);

// The one line on standard error that says an unsound table is being recalibrated.
void announce_recalibration(const char* why);

// One warning line on standard error for each bin below the density's maximum.
void warn_low_bins(const std::vector<envelope::low_bin>& low);

// The report line of histogram number ihist, with its loss.
void report_line(int ihist, double H, int M, double loss);

}  // namespace driver
