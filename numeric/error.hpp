#pragma once

namespace numeric {

// The one road out for a fatal numerical error: the message and a closing
// line on standard error, exit status 1. Nothing goes to standard output.
[[noreturn]] void nrerror(const char* message);

// nrerror with a printf-formatted message, for errors that name the value at fault.
[[noreturn]] [[gnu::format(printf, 1, 2)]] void fatal(const char* format, ...);

}  // namespace numeric
