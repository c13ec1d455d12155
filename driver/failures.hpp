#pragma once

#include "numeric/error.hpp"

namespace driver {

// Where the tool tells a failure and with which status it ends: a refused
// answer on standard output, a numerical failure on standard error with the
// closing line "...now exiting to system...". Returns the exit status.
int report_failure(const numeric::failure& f);

}  // namespace driver
