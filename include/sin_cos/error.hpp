#pragma once

// The library's failures: one vocabulary of kinds, carried by every exception
// the library throws (but std::bad_alloc, which stays the standard's own).

#include <stdexcept>
#include <string>

namespace sin_cos {

// A refused law or argument of the tool's (refused), a numerical failure, no
// sound table included (numerical), a table file that is not a table
// (malformed) or that cannot be drawn from (unsound), a file that cannot be
// read or written (io), an argument of a call that means nothing, such as an
// index past the last histogram or an empty set of laws (invalid_argument),
// and too little memory (no_memory: what the C and Python bindings make of
// std::bad_alloc). The values are those of C's sin_cos_error_kind.
enum class errc { refused = 1, numerical, malformed, unsound, io, invalid_argument, no_memory };

// "refused", "numerical", ..., "invalid_argument", "no_memory".
const char* name(errc kind) noexcept;

// Every failure the library throws: its kind and a message naming the value
// at fault, without a line end or any console mark.
class error : public std::runtime_error {
public:
    error(errc kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    errc code() const noexcept { return kind_; }
    errc kind() const noexcept { return kind_; }

private:
    errc kind_;
};

// A table the tool would not build: a refused law or n (refused) or a
// numerical failure (numerical); what() is the tool's message.
// none_sound(): the construction ran to its end and no table it made was
// sound ("no sound table can be made: ..."), which another n or mode::tight
// may change; false for a refusal and for a law no construction starts on.
class build_error : public error {
public:
    build_error(errc kind, const std::string& message, bool none_sound = false)
        : error(kind, message), none_sound_(none_sound)
    {
    }
    bool none_sound() const noexcept { return none_sound_; }

private:
    bool none_sound_;
};

// A table that cannot be used: malformed (not a table: bad syntax, truncated,
// inconsistent counts) or unsound (it parses, but its envelope cannot be drawn
// from). line() is the 1-based line of the file at fault, 0 if none.
class table_error : public error {
public:
    table_error(errc kind, const std::string& source, int line, const std::string& what);
    int line() const noexcept { return line_; }

private:
    int line_;
};

// A file that cannot be opened, read or written: its path and the system's
// error number.
class io_error : public error {
public:
    io_error(const std::string& path, int error_number, const std::string& what)
        : error(errc::io, what), path_(path), error_number_(error_number)
    {
    }
    const std::string& path() const noexcept { return path_; }
    int error_number() const noexcept { return error_number_; }

private:
    std::string path_;
    int error_number_;
};

}  // namespace sin_cos
