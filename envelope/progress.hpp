#pragma once

#include "sin_cos/build.hpp"

namespace envelope {

// The library's observer of a build: the construction tells it as it goes.
using sin_cos::build_observer;
using sin_cos::progress_event;

// Passes the event to the observer, if there is one.
inline void report_progress(build_observer* observer, progress_event event, const char* stage = "", int layouts = 0,
                            double distance = 0.0)
{
    if (observer != nullptr) observer->progress(event, stage, layouts, distance);
}

}  // namespace envelope
