#pragma once

namespace envelope {

// One self-erasing line on standard error while a calibration runs for more
// than about a second, and only when standard error is a terminal: files and
// logs never see it.
void progress_begin();
// After each layout: the stage, the layouts made so far, |x[n] - Xlimit|.
void progress_pass(const char* stage, int pass, double distance);
// Erases the line if one was shown.
void progress_end();

}  // namespace envelope
