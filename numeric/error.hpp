#pragma once

#include <stdexcept>
#include <string>

namespace numeric {

// A failure of a build run in process: what the tool would print, and the
// exit status it would end with (1 for a numerical failure, 255 for a refusal).
class failure : public std::runtime_error {
public:
    failure(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const noexcept { return status_; }

private:
    int status_;
};

// The one road out for a fatal numerical error: the message and a closing
// line on standard error, exit status 1. Nothing goes to standard output.
[[noreturn]] void nrerror(const char* message);

// nrerror with a printf-formatted message, for errors that name the value at fault.
[[noreturn]] [[gnu::format(printf, 1, 2)]] void fatal(const char* format, ...);

// The road of a refused parameter: the printf-formatted message (with its
// line end) on standard output, exit status -1 (255 as a shell reports it).
[[noreturn]] [[gnu::format(printf, 1, 2)]] void refuse(const char* format, ...);

// The same road for a command line the tool does not take: the message on
// standard error, exit status -1.
[[noreturn]] [[gnu::format(printf, 1, 2)]] void refuse_usage(const char* format, ...);

// While one lives, the failure roads throw `failure` instead of ending the
// process, so that a build in process can fail and the next one run.
class failures_thrown {
public:
    failures_thrown();
    ~failures_thrown();
    failures_thrown(const failures_thrown&) = delete;
    failures_thrown& operator=(const failures_thrown&) = delete;

private:
    bool saved_;
};

}  // namespace numeric
