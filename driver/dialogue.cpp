#include "driver/dialogue.hpp"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "numeric/digits.hpp"
#include "numeric/error.hpp"

namespace driver {

namespace {

// The answers as scanf reads them, and a note on standard error wherever that
// keeps a value the user did not mean: an answer that cannot be read, or a
// number read off the start of a longer word ("1e3" read as an integer is 1).
// What is left of such a word is taken out of the input into `pending_`, so
// that the note can quote it, and the next read converts it exactly as scanf
// would have: a word holds no blank, so no number runs past its end. A word
// no read can convert fails every later read, as it would stay in scanf's way,
// and those reads say nothing more.
class answers {
public:
    template <class T>
    int read(const char* format, T* value, const char* name, bool (*accepted)(T), const char* later)
    {
        std::fflush(stdout);  // the prompt must be on the screen before the read waits
        if (stuck_) return 0;
        const T before = *value;
        int got = 0;
        if (pending_.empty()) {
            got = std::scanf(format, value);
            if (got == EOF) return got;  // the end of input keeps every default in silence
            if (got != 1) {
                unreadable(rest_of_word(), name, shown(before), accepted(before), later);
                return got;
            }
            pending_ = rest_of_word();
        } else {
            const std::string counted = std::string(format) + "%n";
            int used = 0;
            got = std::sscanf(pending_.c_str(), counted.c_str(), value, &used);
            if (got != 1) {
                unreadable(std::exchange(pending_, {}), name, shown(before), accepted(before), later);
                return 0;
            }
            pending_.erase(0, static_cast<std::size_t>(used));
        }
        if (!pending_.empty()) {
            std::fprintf(stderr, "!!! read %s=%s from the start of a word that goes on with \"%s\"\n", name,
                         shown(*value).c_str(), pending_.c_str());
        }
        return got;
    }

    // After a refused H or M: an unreadable answer is dropped with the rest of
    // its line so that the next prompt reads fresh input; at the end of input
    // no answer can ever come, so the dialogue stops instead of asking forever.
    void after_refusal(int read_result, const char* what)
    {
        if (read_result == EOF) numeric::refuse("!!! no more input while asking for %s: stopping", what);
        if (read_result == 0 && !line_ended_) {
            int c;
            while ((c = std::getchar()) != '\n' && c != EOF) {
            }
            line_ended_ = true;
        }
    }

private:
    static std::string shown(double v) { return numeric::shortest(v); }
    static std::string shown(int v) { return std::to_string(v); }

    // What is left of the current word in the input, taken out of it.
    std::string rest_of_word()
    {
        std::string text;
        int c;
        while ((c = std::getchar()) != EOF && !std::isspace(c)) text += static_cast<char>(c);
        line_ended_ = c == '\n' || c == EOF;
        return text;
    }

    // A value that stands is kept for good, and so are the answers after it;
    // a refused one is asked for again on a fresh line.
    void unreadable(const std::string& text, const char* name, const std::string& kept, bool stands, const char* later)
    {
        std::fprintf(stderr, "!!! cannot read \"%s\" as %s: %s keeps %s%s\n", text.c_str(), name, name, kept.c_str(),
                     stands ? later : "");
        stuck_ = stands;
    }

    std::string pending_;
    bool stuck_ = false;
    bool line_ended_ = false;
};

bool any(double) { return true; }
bool any(int) { return true; }
bool valid_H(double h) { return !(h < 1) && std::isfinite(h); }
bool valid_M(int m) { return !(m & 1) && m >= 0; }

}  // namespace

void in_out(int* n, double* xini, double* xfin, double* H, int* M)
{
    std::printf("\n   ------------------------------------------------------------------\n");
    std::printf("   | random number: P= sin(y)^H .cos(y)^M .dy  with y->[0,PI[       | \n");
    std::printf("   |                 = sqr(1-x.x)^(H-1).x^M.dy with x-> [xini,xfin[ |\n");
    std::printf("   ------------------------------------------------------------------\n");

    answers in;
    std::printf("give xini  ;    example: -1(normal)      -> xini=");
    in.read<double>("%lf", xini, "xini", any, ", and xfin, H, M and n keep their defaults");
    std::printf("give xfin  ;    example: +1(normal)      -> xfin=");
    in.read<double>("%lf", xfin, "xfin", any, ", and H, M and n keep their defaults");

    for (;;) {
        std::printf("give H (>1);    example: +2.11           -> H=");
        const int got = in.read<double>("%lf", H, "H", valid_H, ", and M and n keep their defaults");
        if (valid_H(*H)) break;
        std::printf("!!! H must be >= 1 %%\n");
        in.after_refusal(got, "H");
    }

    for (;;) {
        std::printf("give M (even >=0);    example: +4              -> M=");
        const int got = in.read<int>("%d", M, "M", valid_M, ", and n keeps its default");
        if (valid_M(*M)) break;
        std::printf("!!! M must be even >=0 \n");
        in.after_refusal(got, "M");
    }

    std::printf("give the number of bin (integer>0);    example: 1000 => 1%% loss    -> n=");
    in.read<int>("%d", n, "n", any, "");
}

}  // namespace driver
