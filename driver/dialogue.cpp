#include "driver/dialogue.hpp"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "driver/failure.hpp"
#include "sin_cos/law.hpp"
#include "sin_cos/table_text.hpp"

namespace driver {

namespace {

using outcome = scanf_reader::outcome;

std::string shown(double v) { return sin_cos::text::shortest(v); }
std::string shown(int v) { return std::to_string(v); }

// The law's own rules, H and M asked one at a time: each with a law whose
// other values keep to them.
bool valid_H(double h) { return sin_cos::fault_of(sin_cos::law{-1, 1, h, 0}, true) == sin_cos::law_fault::none; }
bool valid_M(int m) { return sin_cos::fault_of(sin_cos::law{-1, 1, 1, m}, true) == sin_cos::law_fault::none; }

// Each read is the scanf call the dialogue always made; around it, a note
// wherever the value kept is not what the user typed. A word that no number
// can begin stays in the input and fails every later read, as it would in
// scanf's way: it is told once, with the answers it takes from the user. At a
// terminal the person who typed it is there to type it again: the line is
// dropped and the answer asked for again instead.
class answers {
public:
    answers(scanf_reader& in, std::FILE* out, std::FILE* notes)
        : in_(in), out_(out), notes_(notes), terminal_(in.terminal())
    {
    }

    // Prompts and reads one answer; at a terminal, until it can be read or
    // the input ends. `later`: what the answers after this one keep if a
    // word blocks them here.
    template <class T>
    outcome ask(const char* prompt, T* value, const char* name, bool stands_if_blocked, const char* later)
    {
        for (;;) {
            std::fputs(prompt, out_);
            const outcome got = read(value, name, stands_if_blocked, later);
            if (got != outcome::failed || !terminal_) {
                if (got == outcome::read) read_.push_back(name);
                return got;
            }
            std::fprintf(out_, "!!! cannot read \"%s\" as %s: give %s again\n", typed_.c_str(), name, name);
            in_.drop_line();
        }
    }

    // After the answer for `name` was asked again because `refused` ("H=0.5")
    // was refused: from a pipe or a file the answer read may have been meant
    // for the next prompt, and every later one moves up a prompt with it.
    void after_reask(const std::string& refused, outcome got, const char* name)
    {
        if (terminal_ || refused.empty() || got != outcome::read) return;
        note("!!! %s refused; \"%s\" was then read as %s", refused.c_str(), last_.taken.c_str(), name);
        shifted_ = true;
    }

    // After a refused H or M: an answer that could not be read is dropped
    // with the rest of its line so that the next prompt reads fresh input; at
    // the end of input no answer can ever come, so the dialogue stops instead
    // of asking forever.
    void after_refusal(outcome got, const char* what)
    {
        if (got == outcome::end) fail(sin_cos::errc::refused, true, "no more input while asking for %s: stopping", what);
        if (got == outcome::failed) in_.drop_line();
    }

    const std::string& last_taken() const { return last_.taken; }

    // When answers moved up a prompt after a refusal: the values the table
    // is built from, and which of them were never read.
    std::string shift_summary(int n, double xini, double xfin, double H, int M) const
    {
        if (!shifted_) return {};
        std::string line = "!!! after the refused answers the table is built from xini=" + shown(xini) +
                           ", xfin=" + shown(xfin) + ", H=" + shown(H) + ", M=" + shown(M) + ", n=" + shown(n);
        std::string kept;
        for (const char* name : {"xini", "xfin", "H", "M", "n"}) {
            bool was_read = false;
            for (const std::string& r : read_) was_read = was_read || r == name;
            if (!was_read) kept += (kept.empty() ? "" : ", ") + std::string(name);
        }
        if (!kept.empty()) line += " (" + kept + (kept.find(',') == std::string::npos ? ": its default)" : ": their defaults)");
        return line;
    }

private:
    template <class T>
    outcome read(T* value, const char* name, bool stands_if_blocked, const char* later)
    {
        std::fflush(out_);  // the prompt must be on the screen before the read waits
        const T before = *value;
        const scanf_reader::result r = read_one(value);
        last_ = r;
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
            if (terminal_) {
                typed_ = r.taken + in_.next_word();  // told by the re-ask
            } else if (!r.taken.empty()) {
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
        return r.what;
    }

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
    bool terminal_;
    std::size_t blocked_at_ = std::numeric_limits<std::size_t>::max();
    scanf_reader::result last_;
    std::string typed_;               // what a read at a terminal could not take
    std::vector<std::string> read_;   // the answers a read stored a value for
    bool shifted_ = false;
};

}  // namespace

std::string in_out(scanf_reader& in, std::FILE* out, std::FILE* notes, int* n, double* xini, double* xfin,
                   double* H, int* M)
{
    std::fprintf(out, "\n   ------------------------------------------------------------------\n");
    std::fprintf(out, "   | random number: P= sin(y)^H .cos(y)^M .dy  with y->[0,PI[       | \n");
    std::fprintf(out, "   |                 = sqr(1-x.x)^(H-1).x^M.dy with x-> [xini,xfin[ |\n");
    std::fprintf(out, "   ------------------------------------------------------------------\n");

    answers a(in, out, notes);
    a.ask("give xini  ;    example: -1(normal)      -> xini=", xini, "xini", true,
          ", and xfin, H, M and n keep their defaults");
    a.ask("give xfin  ;    example: +1(normal)      -> xfin=", xfin, "xfin", true, ", and H, M and n keep their defaults");

    std::string refused;  // "H=0.5": the answer last refused, told with the one read after it
    for (;;) {
        const outcome got = a.ask("give H (>1);    example: +2.11           -> H=", H, "H", valid_H(*H),
                                  ", and M and n keep their defaults");
        a.after_reask(refused, got, "H");
        if (valid_H(*H)) break;
        std::fprintf(out, "!!! H must be >= 1 %%\n");
        if (got == outcome::read) refused = "H=" + a.last_taken();
        a.after_refusal(got, "H");
    }

    refused.clear();
    for (;;) {
        const outcome got = a.ask("give M (even >=0);    example: +4              -> M=", M, "M", valid_M(*M),
                                  ", and n keeps its default");
        a.after_reask(refused, got, "M");
        if (got != outcome::too_large && valid_M(*M)) break;
        std::fprintf(out, "!!! M must be even >=0 \n");
        if (got == outcome::read || got == outcome::too_large) refused = "M=" + a.last_taken();
        a.after_refusal(got, "M");
    }

    if (a.ask("give the number of bin (integer>0);    example: 1000 => 1% loss    -> n=", n, "n", true, "") ==
        outcome::too_large) {
        fail(sin_cos::errc::refused, true, "n=%s must be between 1 and %d", a.last_taken().c_str(),
                      sin_cos::max_bins);
    }
    return a.shift_summary(*n, *xini, *xfin, *H, *M);
}

}  // namespace driver
