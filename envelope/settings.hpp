#pragma once

#include <cstdint>

#include "envelope/envelope.hpp"

namespace envelope {

// Every program-wide setting, as one value.
struct settings {
    double Xini, Xfin, H;
    int M;
    double Xlimit, Acc_interval, Acc_ridders, Acc_a;
    bool Clip_maxima, Warn_low_bins;
    progress_hook Progress;
};

// The tool's start-up values: the accuracy settings, the default density
// (H = 2, M = 4 on [-1, 1]), no target yet, bare maxima, warnings on, no hook.
settings start_up();

// The start-up values with the density x^M (1 - x^2)^((H-1)/2) on [xini, xfin].
settings for_density(double H, int M, double xini, double xfin);

// The settings as they stand.
settings current_settings();

// Gives the program-wide settings their start-up values.
void start_up_settings();

// Sets every setting for its lifetime and restores the previous values after.
class settings_guard {
public:
    explicit settings_guard(const settings& now);
    ~settings_guard();
    settings_guard(const settings_guard&) = delete;
    settings_guard& operator=(const settings_guard&) = delete;

private:
    settings saved_;
};

// Moves the calibration target, the one setting a build changes as it goes.
void move_Xlimit(double xlimit);

namespace stored {
extern std::uint64_t generation;
}

// Changes whenever a setting other than Xlimit may have changed: whatever is
// remembered under one value stays valid while it lasts.
inline std::uint64_t settings_generation() { return stored::generation; }

}  // namespace envelope
