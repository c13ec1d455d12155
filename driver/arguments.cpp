#include "driver/arguments.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef SIN_COS_VERSION
#define SIN_COS_VERSION "unknown"
#endif

namespace driver {

namespace {

const char* const usage = "usage: sin_cos [--tight] [--help] [--version]\n";

const char* const help =
    "Prepares the lookup table from which a Monte Carlo program draws random numbers\n"
    "with the density P(x) = x^M (1 - x^2)^((H-1)/2) on [xini, xfin] inside [-1, 1]\n"
    "(the angle law sin(y)^H cos(y)^M dy with x = cos y): n bins of equal area whose\n"
    "staircase covers the density, calibrated and enlarged by a margin of 0.1 %.\n"
    "\n"
    "The answers are read from standard input after their prompts, in this order;\n"
    "an answer that cannot be read keeps its default:\n"
    "  xini  left end of the interval, >= -1         (default -1)\n"
    "  xfin  right end of the interval, <= 1         (default 1)\n"
    "  H     exponent, a real number >= 1 (asked again if not)     (default 2)\n"
    "  M     exponent, an even integer >= 0 (asked again if not)   (default 4)\n"
    "  n     number of bins, 1 to 100000             (default 5000)\n"
    "\n"
    "Files written in the current directory:\n"
    "  Sin_Cos.res        the table: a three-line banner to paste into the simulation,\n"
    "                     the line H M n xini xfin loss a (loss: the envelope's excess\n"
    "                     area in percent; a: the common bin area) and the n left bin\n"
    "                     edges, one per line\n"
    "  Sin_Cos_g1_f1.res  for plotting: both ends of every bin with the density there\n"
    "                     and the bin's height\n"
    "\n"
    "Options:\n"
    "  --tight    the lowest loss n equal-area bins allow: the default calibration is\n"
    "             not run; the bins end exactly at xfin, every height is the density's\n"
    "             exact maximum on its bin times the margin 1.001, and every valid input\n"
    "             gets a table (with n = 100000 the loss is about 0.1 %)\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 when the table is written; 1 on a numerical failure, when no sound\n"
    "table can be made or a file cannot be written; 255 for a refused answer or an\n"
    "unknown argument.\n";

}  // namespace

options read_arguments(int argc, char** argv)
{
    options chosen;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tight") == 0) {
            chosen.tight = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            std::fputs(help, stdout);
            std::exit(0);
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("sin_cos %s\n", SIN_COS_VERSION);
            std::exit(0);
        } else {
            std::fprintf(stderr, "sin_cos: unknown argument \"%s\"\n%s", argv[i], usage);
            std::exit(-1);
        }
    }
    return chosen;
}

}  // namespace driver
