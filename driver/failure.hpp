#pragma once

// The tool's own failures, in the library's vocabulary of kinds.

#include "sin_cos/error.hpp"

namespace driver {

// A failure the console shows as a complaint about the answers ("!!! "
// before it), as the tool always showed these.
class complaint : public sin_cos::error {
public:
    using error::error;
};

// Throws sin_cos::error of this kind with the printf-formatted message, a
// complaint when `complaint` is set.
[[noreturn]] [[gnu::format(printf, 3, 4)]] void fail(sin_cos::errc kind, bool complaint, const char* format, ...);

}  // namespace driver
