#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace driver {

// Reads numbers from a stream exactly as glibc's scanf("%lf") and scanf("%d")
// read them, character for character, but knows what each read took: the
// dialogue can then quote what the user typed, and refuse an integer that
// does not fit an int instead of letting it wrap. Characters are taken with
// getc; those looked at but not taken wait in a buffer of this reader, so a
// word can be looked at whole without being consumed.
class scanf_reader {
public:
    enum class outcome {
        read,       // a value was stored
        failed,     // a matching failure: nothing stored, `taken` may hold a sign or a prefix
        end,        // the input ended before a character that could begin a number
        too_large,  // "%d" only: sign and digits read, but they do not fit an int; nothing stored
    };

    struct result {
        outcome what = outcome::end;
        std::string taken;  // every character the read consumed, as scanf consumes them
        std::size_t used = 0;  // how many of them the number was made of (glibc may drop an "e" or "p")
    };

    explicit scanf_reader(std::FILE* in) : in_(in) {}

    result read_double(double* value);
    result read_int(int* value);

    // The characters up to the next blank or the end of input, left in place.
    std::string next_word();

    // Drops everything up to and including the next line end.
    void drop_line();

    // Whether the answers come from a terminal, where a person types them line by line.
    bool terminal() const;

    // How many characters have been consumed so far.
    std::size_t position() const { return position_; }

private:
    int get();
    void unget(int c);
    int skip_blanks();

    std::FILE* in_;
    std::string ahead_;  // looked at and not consumed, next character first
    std::size_t position_ = 0;
};

}  // namespace driver
