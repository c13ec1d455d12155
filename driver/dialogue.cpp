#include "driver/dialogue.hpp"

#include <cmath>
#include <cstdio>

#include "numeric/error.hpp"

namespace driver {

namespace {

// The prompt must be on the screen before the read waits.
int read_double(double* value)
{
    std::fflush(stdout);
    return std::scanf("%lf", value);
}

int read_int(int* value)
{
    std::fflush(stdout);
    return std::scanf("%d", value);
}

// After a refused answer: an unreadable one is dropped with the rest of its
// line so that the next prompt reads fresh input; at the end of input no
// answer can ever come, so the dialogue stops instead of asking forever.
void after_refusal(int read_result, const char* what)
{
    if (read_result == EOF) numeric::refuse("!!! no more input while asking for %s: stopping", what);
    if (read_result == 0) {
        int c;
        while ((c = std::getchar()) != '\n' && c != EOF) {
        }
    }
}

}  // namespace

void in_out(int* n, double* xini, double* xfin, double* H, int* M)
{
    std::printf("\n   ------------------------------------------------------------------\n");
    std::printf("   | random number: P= sin(y)^H .cos(y)^M .dy  with y->[0,PI[       | \n");
    std::printf("   |                 = sqr(1-x.x)^(H-1).x^M.dy with x-> [xini,xfin[ |\n");
    std::printf("   ------------------------------------------------------------------\n");

    std::printf("give xini  ;    example: -1(normal)      -> xini=");
    read_double(xini);
    std::printf("give xfin  ;    example: +1(normal)      -> xfin=");
    read_double(xfin);

    for (;;) {
        std::printf("give H (>1);    example: +2.11           -> H=");
        const int got = read_double(H);
        if (!(*H < 1) && std::isfinite(*H)) break;
        std::printf("!!! H must be >= 1 %%\n");
        after_refusal(got, "H");
    }

    for (;;) {
        std::printf("give M (even >=0);    example: +4              -> M=");
        const int got = read_int(M);
        if (!(*M & 1) && *M >= 0) break;
        std::printf("!!! M must be even >=0 \n");
        after_refusal(got, "M");
    }

    std::printf("give the number of bin (integer>0);    example: 1000 => 1%% loss    -> n=");
    read_int(n);
}

}  // namespace driver
