#pragma once

// A stream over a file descriptor the Python side opened, so that a file
// that cannot be opened raises the OSError Python itself raises, and a read
// error keeps its errno for the same.

#include <cerrno>
#include <streambuf>

#include <unistd.h>

namespace sin_cos_python {

class fd_input : public std::streambuf {
public:
    explicit fd_input(int fd) : fd_(fd) {}

    // The errno of a failed read, 0 if none failed.
    int error() const { return error_; }

protected:
    int_type underflow() override
    {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        for (;;) {
            const ssize_t got = ::read(fd_, buffer_, sizeof buffer_);
            if (got > 0) {
                setg(buffer_, buffer_, buffer_ + got);
                return traits_type::to_int_type(*gptr());
            }
            if (got == 0) return traits_type::eof();
            if (errno != EINTR) {
                error_ = errno;
                return traits_type::eof();
            }
        }
    }

private:
    int fd_;
    int error_ = 0;
    char buffer_[1 << 16];
};

}  // namespace sin_cos_python
