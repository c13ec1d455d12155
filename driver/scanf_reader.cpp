#include "driver/scanf_reader.hpp"

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace driver {

namespace {

// The C locale's classes, which scanf uses: the tool never sets a locale.
bool blank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool digit(int c) { return c >= '0' && c <= '9'; }
bool hex_digit(int c) { return digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int lower(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

}  // namespace

int scanf_reader::get()
{
    int c;
    if (!ahead_.empty()) {
        c = static_cast<unsigned char>(ahead_.back());
        ahead_.pop_back();
    } else {
        c = std::getc(in_);
        if (c == EOF) return EOF;
    }
    ++position_;
    return c;
}

void scanf_reader::unget(int c)
{
    if (c == EOF) return;
    ahead_.push_back(static_cast<char>(c));
    --position_;
}

int scanf_reader::skip_blanks()
{
    int c;
    while ((c = get()) != EOF && blank(c)) {
    }
    return c;
}

// The characters are taken as glibc's scanf takes them: it looks one character
// past what it keeps and gives only that one back, so a sign, a dot, an "e"
// without digits or a broken "nan" or "inf" stays consumed when the read fails
// on it. What it took is then converted by sscanf itself, which makes the same
// decision on the same characters: the value is the one scanf would store.
scanf_reader::result scanf_reader::read_double(double* value)
{
    result r;
    int c = skip_blanks();
    if (c == EOF) return r;
    std::string& t = r.taken;
    auto take = [&] { t += static_cast<char>(c); };
    auto convert = [&] {
        double v = 0;
        if (std::sscanf(t.c_str(), "%lf", &v) == 1) {
            *value = v;
            r.what = outcome::read;
            // scanf keeps what it took even where the number ends earlier
            // ("1e" is 1): strtod, which it converts with, says where.
            char* end = nullptr;
            std::strtod(t.c_str(), &end);
            r.used = static_cast<std::size_t>(end - t.c_str());
        } else {
            r.what = outcome::failed;
        }
        return r;
    };
    // A word such as "nan" or "infinity" must be had letter by letter; the
    // first letter that does not match is consumed with the failure.
    auto spell = [&](const char* word) {
        for (const char* w = word; *w; ++w) {
            c = get();
            if (c == EOF) return false;
            take();
            if (lower(c) != *w) return false;
        }
        return true;
    };

    if (c == '+' || c == '-') {
        take();
        c = get();
        if (c == EOF) return convert();
    }
    if (lower(c) == 'n') {
        take();
        spell("an");
        return convert();
    }
    if (lower(c) == 'i') {
        take();
        if (!spell("nf")) return convert();
        c = get();
        if (lower(c) != 'i') {
            unget(c);
            return convert();
        }
        take();
        spell("nity");
        return convert();
    }

    bool got_digit = false, got_dot = false, got_e = false, hex = false;
    char exp_char = 'e';
    if (c == '0') {
        take();
        c = get();
        if (lower(c) == 'x') {
            take();
            hex = true;
            exp_char = 'p';
            c = get();
        } else {
            got_digit = true;
        }
    }
    for (; c != EOF; c = get()) {
        if (digit(c) || (hex && !got_e && hex_digit(c))) {
            got_digit = true;
        } else if (got_e && lower(t.back()) == exp_char && (c == '-' || c == '+')) {
        } else if (got_digit && !got_e && lower(c) == exp_char) {
            got_e = got_dot = true;
        } else if (!got_dot && c == '.') {
            got_dot = true;
        } else {
            unget(c);
            break;
        }
        take();
    }
    return convert();
}

scanf_reader::result scanf_reader::read_int(int* value)
{
    result r;
    int c = skip_blanks();
    if (c == EOF) return r;
    std::string& t = r.taken;
    r.what = outcome::failed;
    if (c == '+' || c == '-') {
        t += static_cast<char>(c);
        c = get();
    }
    for (; digit(c); c = get()) t += static_cast<char>(c);
    unget(c);
    const std::size_t sign = t.empty() || digit(t[0]) ? 0 : 1;
    if (t.size() == sign) return r;
    // from_chars takes a minus but no plus, and refuses what does not fit
    // where scanf would have wrapped it.
    const char* first = t.data() + (t[0] == '+' ? 1 : 0);
    int v = 0;
    const auto [end, error] = std::from_chars(first, t.data() + t.size(), v);
    r.used = t.size();
    if (error == std::errc::result_out_of_range) {
        r.what = outcome::too_large;
        return r;
    }
    *value = v;
    r.what = outcome::read;
    return r;
}

std::string scanf_reader::next_word()
{
    std::string word;
    int c;
    while ((c = get()) != EOF && !blank(c)) word += static_cast<char>(c);
    unget(c);
    for (auto i = word.rbegin(); i != word.rend(); ++i) unget(static_cast<unsigned char>(*i));
    return word;
}

bool scanf_reader::terminal() const
{
    const int fd = fileno(in_);
    return fd >= 0 && isatty(fd) == 1;
}

void scanf_reader::drop_line()
{
    int c;
    while ((c = get()) != EOF && c != '\n') {
    }
}

}  // namespace driver
