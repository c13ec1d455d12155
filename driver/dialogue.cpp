#include "driver/dialogue.hpp"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <string>

#include "sin_cos/law.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"

namespace driver {

namespace {

using outcome = scanf_reader::outcome;

std::string shown(double v) { return numeric::shortest(v); }
std::string shown(int v) { return std::to_string(v); }

// The law's own rules, H and M asked one at a time: each with a law whose
// other values keep to them.
bool valid_H(double h) { return sin_cos::fault_of(sin_cos::law{-1, 1, h, 0}, true) == sin_cos::law_fault::none; }
bool valid_M(int m) { return sin_cos::fault_of(sin_cos::law{-1, 1, 1, m}, true) == sin_cos::law_fault::none; }

// Each read is the scanf call the dialogue always made; around it, a note
// wherever the value kept is not what the user typed. A word that no number
// can begin stays in the input and fails every later read, as it would in
// scanf's way: it is told once, with the answers it takes from the user.
class answers {
public:
    answers(scanf_reader& in, std::FILE* out, std::FILE* notes) : in_(in), out_(out), notes_(notes) {}

    // `later`: what the answers after this one keep if a word blocks them here.
    template <class T>
    outcome read(T* value, const char* name, bool stands_if_blocked, const char* later)
    {
        std::fflush(out_);  // the prompt must be on the screen before the read waits
        const T before = *value;
        const scanf_reader::result r = read_one(value);
        switch (r.what) {
        case outcome::end:
            break;  // the end of input keeps every value in silence
        case outcome::read:
            if (r.used < r.taken.size()) {
                note("!!! read %s=%s from \"%s\": the \"%s\" after it is dropped", name, shown(*value).c_str(),
                     r.taken.c_str(), r.taken.c_str() + r.used);
            }
            if (const std::string word = in_.next_word(); !word.empty()) {
                note("!!! read %s=%s from the start of a word that goes on with \"%s\"", name,
                     shown(*value).c_str(), word.c_str());
            }
            break;
        case outcome::failed:
            if (!r.taken.empty()) {
                note("!!! cannot read \"%s\" as %s: %s keeps %s", r.taken.c_str(), name, name,
                     shown(before).c_str());
            } else if (in_.position() != blocked_at_) {
                blocked_at_ = in_.position();
                note("!!! cannot read \"%s\" as %s: %s keeps %s%s", in_.next_word().c_str(), name, name,
                     shown(before).c_str(), stands_if_blocked ? later : "");
            }
            break;
        case outcome::too_large:
            note("!!! cannot take \"%s\" as %s: it does not fit an int", r.taken.c_str(), name);
            break;
        }
        last_ = r;
        return r.what;
    }

    // After a refused H or M: an answer that could not be read is dropped
    // with the rest of its line so that the next prompt reads fresh input; at
    // the end of input no answer can ever come, so the dialogue stops instead
    // of asking forever.
    void after_refusal(outcome got, const char* what)
    {
        if (got == outcome::end) numeric::fail(numeric::failure_kind::refused, true, "no more input while asking for %s: stopping", what);
        if (got == outcome::failed) in_.drop_line();
    }

    const std::string& last_taken() const { return last_.taken; }

private:
    scanf_reader::result read_one(double* value) { return in_.read_double(value); }
    scanf_reader::result read_one(int* value) { return in_.read_int(value); }

    [[gnu::format(printf, 2, 3)]] void note(const char* format, ...)
    {
        std::va_list values;
        va_start(values, format);
        std::vfprintf(notes_, format, values);
        va_end(values);
        std::fputc('\n', notes_);
    }

    scanf_reader& in_;
    std::FILE* out_;
    std::FILE* notes_;
    std::size_t blocked_at_ = std::numeric_limits<std::size_t>::max();
    scanf_reader::result last_;
};

}  // namespace

void in_out(scanf_reader& in, std::FILE* out, std::FILE* notes, int* n, double* xini, double* xfin, double* H,
            int* M)
{
    std::fprintf(out, "\n   ------------------------------------------------------------------\n");
    std::fprintf(out, "   | random number: P= sin(y)^H .cos(y)^M .dy  with y->[0,PI[       | \n");
    std::fprintf(out, "   |                 = sqr(1-x.x)^(H-1).x^M.dy with x-> [xini,xfin[ |\n");
    std::fprintf(out, "   ------------------------------------------------------------------\n");

    answers a(in, out, notes);
    std::fprintf(out, "give xini  ;    example: -1(normal)      -> xini=");
    a.read(xini, "xini", true, ", and xfin, H, M and n keep their defaults");
    std::fprintf(out, "give xfin  ;    example: +1(normal)      -> xfin=");
    a.read(xfin, "xfin", true, ", and H, M and n keep their defaults");

    for (;;) {
        std::fprintf(out, "give H (>1);    example: +2.11           -> H=");
        const outcome got = a.read(H, "H", valid_H(*H), ", and M and n keep their defaults");
        if (valid_H(*H)) break;
        std::fprintf(out, "!!! H must be >= 1 %%\n");
        a.after_refusal(got, "H");
    }

    for (;;) {
        std::fprintf(out, "give M (even >=0);    example: +4              -> M=");
        const outcome got = a.read(M, "M", valid_M(*M), ", and n keeps its default");
        if (got != outcome::too_large && valid_M(*M)) break;
        std::fprintf(out, "!!! M must be even >=0 \n");
        a.after_refusal(got, "M");
    }

    std::fprintf(out, "give the number of bin (integer>0);    example: 1000 => 1%% loss    -> n=");
    if (a.read(n, "n", true, "") == outcome::too_large) {
        numeric::fail(numeric::failure_kind::refused, true, "n=%s must be between 1 and %d", a.last_taken().c_str(),
                      sin_cos::max_bins);
    }
}

}  // namespace driver
