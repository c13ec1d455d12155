#pragma once

// What a many-law run can know about its laws before any build, and how it
// tells a build that failed.

#include <string>

#include "driver/arguments.hpp"
#include "envelope/table.hpp"
#include "numeric/error.hpp"

namespace driver {

// Throws numeric::failure naming law `number` when what can be known of it
// in a few microseconds already rules out a table of n bins: an interval
// with fewer than n + 1 doubles, an integral that is not a usable number in
// doubles (the builds integrate the same density in doubles), an H past what
// doubles can evaluate within the margin.
void check_law_before_building(std::size_t number, const law_answers& law, int n);

// The failure of law `number`'s build as the run tells it: the law named,
// what failed in words, and, for the default calibration, --tight's table
// when that one can be built (it is, to find out).
numeric::failure law_failure(std::size_t number, const law_answers& law, int n, envelope::mode mode,
                             const numeric::failure& f);

// What a routine's own message means to someone who asked for a table.
std::string in_words(const std::string& message);

}  // namespace driver
