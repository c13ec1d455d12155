#pragma once

// The soundness test of one histogram as it stands in a file, for the reader
// and the writers alike.

#include <string>

#include "sin_cos/table.hpp"

namespace sin_cos {

// Throws table_error unless the table can be drawn from; `header_at` is the
// line of its header in the file, which the message's lines count from, and
// `label` names the histogram in a file of several ("histogram 2 of 3: ").
void validate_at(const sin_cos::table& t, const std::string& source, int header_at, const std::string& label);

}  // namespace sin_cos
