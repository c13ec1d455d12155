#pragma once

#include <cstdint>
#include <vector>

#include "envelope/classic/memo.hpp"
#include "envelope/classic/residual_memo.hpp"
#include "envelope/classic/settings.hpp"

namespace envelope {

// What a layout depends on besides the settings: its arguments and the target.
struct layout_key {
    std::uint64_t a, x0, xlimit;
    int n;
    bool operator==(const layout_key&) const = default;
};

// One construction's settings, under their own names, and what it remembers.
// The routines of the construction take it by reference. While it lives only
// Xlimit moves, which is what keeps its memory valid: other settings make
// another state. Each build owns its states, so builds share nothing.
struct state : settings {
    explicit state(const settings& s) : settings(s) {}
    state(const state&) = delete;
    state& operator=(const state&) = delete;

    residual_memo density_memo;
    // The last layout made. Once the calibration's bracket has closed to
    // adjacent doubles it asks for the same area pass after pass, up to its pass cap.
    memo<layout_key, std::vector<double>, 1> last_layout;
};

}  // namespace envelope
