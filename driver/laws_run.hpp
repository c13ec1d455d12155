#pragma once

#include "driver/arguments.hpp"

namespace driver {

// A run whose answers are on the command line: every law built (side by side
// when there are several), then in the laws' order each one's notes on
// standard error, naming it, and its report line; the table file of all the
// histograms and the plot file of the chosen one, put in place once the
// closing lines are out. Throws numeric::failure naming the first law in order
// that cannot be built, or a file or standard output that cannot be written;
// the files are then as they were.
void run_laws(const options& chosen);

}  // namespace driver
