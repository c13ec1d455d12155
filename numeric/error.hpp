#pragma once

#include <stdexcept>
#include <string>

namespace numeric {

// The kinds of failure, one vocabulary from the toolkit to the bindings.
enum class failure_kind {
    refused,    // an answer the tool does not take, or a density it cannot tabulate (negative)
    numerical,  // a numerical failure, or no sound table for the answers
    malformed,  // a table file that is not a table
    unsound,    // a table that cannot be drawn from
    io,         // a file that cannot be read or written
};

// Every failure of the toolkit and of the envelope construction: its kind and
// its message, without a line end or any console decoration, naming the
// values at fault. `complaint` says the console shows it as a complaint about
// the answers ("!!! " before it); whoever runs the build decides what to
// print and where.
class failure : public std::runtime_error {
public:
    failure(failure_kind kind, const std::string& message, bool complaint = false)
        : std::runtime_error(message), kind_(kind), complaint_(complaint)
    {
    }
    failure_kind kind() const noexcept { return kind_; }
    bool complaint() const noexcept { return complaint_; }

private:
    failure_kind kind_;
    bool complaint_;
};

// Throws the numerical failure `message`.
[[noreturn]] void nrerror(const char* message);

// nrerror with a printf-formatted message, for errors that name the value at fault.
[[noreturn]] [[gnu::format(printf, 1, 2)]] void fatal(const char* format, ...);

// Throws the refusal of an answer with the printf-formatted message.
[[noreturn]] [[gnu::format(printf, 1, 2)]] void refuse(const char* format, ...);

// Throws a failure of any kind, shown as a complaint or not.
[[noreturn]] [[gnu::format(printf, 3, 4)]] void fail(failure_kind kind, bool complaint, const char* format, ...);

}  // namespace numeric
