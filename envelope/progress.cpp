#include "envelope/progress.hpp"

#include "envelope/envelope.hpp"

namespace envelope {

void report_progress(progress_event event, const char* stage, int layouts, double distance)
{
    if (Progress != nullptr) Progress(event, stage, layouts, distance);
}

}  // namespace envelope
