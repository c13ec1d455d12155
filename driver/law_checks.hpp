#pragma once

// What a many-law run can know about its laws before any build, and how it
// tells a build that failed.

#include <string>
#include <vector>

#include "driver/arguments.hpp"
#include "sin_cos/build.hpp"
#include "sin_cos/error.hpp"

namespace driver {

// Throws sin_cos::build_error naming law `number` when what can be known of
// it in a few microseconds already rules out a table of n bins
// (sin_cos::precheck).
void check_law_before_building(std::size_t number, const law_answers& law, int n);

// check_law_before_building for every law, side by side on every core where
// there are many: throws for the first law in order that fails, as a loop over
// them in order does.
void check_laws_before_building(const std::vector<law_answers>& laws, int n);

// The failure of law `number`'s build as the run tells it: the law named,
// what failed in words, and, for the default calibration, --tight's table
// when that one can be built (it is, to find out). `what` is the build's
// message without the law's name.
sin_cos::build_error law_failure(std::size_t number, const law_answers& law, int n, sin_cos::mode mode,
                                 sin_cos::errc kind, const std::string& what);

// What a routine's own message means to someone who asked for a table.
std::string in_words(const std::string& message);

}  // namespace driver
