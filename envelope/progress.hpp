#pragma once

namespace envelope {

// What a calibration tells whoever watches it: it begins, it has made one
// more layout (the stage, the layouts so far, |x[n] - Xlimit|), it ends.
enum class progress_event { begin, pass, end };
using progress_hook = void (*)(progress_event event, const char* stage, int layouts, double distance);

// Passes the event to the hook, if there is one.
inline void report_progress(progress_hook hook, progress_event event, const char* stage = "", int layouts = 0,
                            double distance = 0.0)
{
    if (hook != nullptr) hook(event, stage, layouts, distance);
}

}  // namespace envelope
