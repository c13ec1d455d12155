#pragma once

#include <stdexcept>
#include <string>

namespace numeric {

// The exit status the tool ends with, by kind of failure.
inline constexpr int numerical_failure = 1;
inline constexpr int refusal = 255;  // -1 as the process returns it

// Every failure of the toolkit and of the envelope construction: the message,
// without its line end, naming the values at fault, and the exit status the
// tool ends with. Whoever runs the build decides what to print and where.
class failure : public std::runtime_error {
public:
    failure(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const noexcept { return status_; }

private:
    int status_;
};

// Throws the numerical failure `message` (status 1).
[[noreturn]] void nrerror(const char* message);

// nrerror with a printf-formatted message, for errors that name the value at fault.
[[noreturn]] [[gnu::format(printf, 1, 2)]] void fatal(const char* format, ...);

// Throws the refusal of an answer (status 255) with the printf-formatted message.
[[noreturn]] [[gnu::format(printf, 1, 2)]] void refuse(const char* format, ...);

}  // namespace numeric
