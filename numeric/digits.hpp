#pragma once

#include <string>

namespace numeric {

// The fewest digits that read back as v ("0.95", "3.7", "1e+13"), so that a
// message shows an answer as it was typed rather than its binary expansion.
std::string shortest(double v);

}  // namespace numeric
