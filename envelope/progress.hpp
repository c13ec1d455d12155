#pragma once

namespace envelope {

// What a calibration tells whoever watches it: it begins, it has made one
// more layout (the stage, the layouts so far, how far the last edge lies from
// its target), it ends.
enum class progress_event { begin, pass, end };

// Who hears about a build as it goes. An observer carries its own state, so
// builds on several threads can each have one.
class build_observer {
public:
    virtual ~build_observer() = default;
    virtual void progress(progress_event event, const char* stage, int layouts, double distance) = 0;
    // An unsound table was replaced by a recalibrated one.
    virtual void recalibrating(const char* why) = 0;
};

// Passes the event to the observer, if there is one.
inline void report_progress(build_observer* observer, progress_event event, const char* stage = "", int layouts = 0,
                            double distance = 0.0)
{
    if (observer != nullptr) observer->progress(event, stage, layouts, distance);
}

}  // namespace envelope
