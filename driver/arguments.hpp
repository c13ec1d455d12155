#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace driver {

// One law given on the command line or in a law file.
struct law_answers {
    double xini, xfin, H;
    int M;
};

struct options {
    bool tight = false;  // the lowest-loss calibration instead of the classic one
    // The answers were given as arguments: no dialogue runs. Then `laws`
    // holds at least one law, every one accepted, and `n` the bin count.
    bool answered = false;
    std::vector<law_answers> laws;
    int n = 0;
    std::size_t plot = 0;  // the histogram of the plot file, from 1
};

// The most edges one run builds: K laws of n bins each take K n edges.
inline constexpr long max_edges = 10'000'000;

// Reads the command line before anything else happens: --help and --version
// print their text and end the run with status 0; an argument the tool does
// not know, a value that is not one whole number or an answer the dialogue
// would refuse (the law file's too) ends the run with status 255 and a message
// naming it and where it was given, before any file is touched.
options read_arguments(int argc, char** argv);

// "law 2 (xini=-1, xfin=1, H=2.11, M=4)": what a note or a failure is about.
std::string law_name(std::size_t number, const law_answers& law);

}  // namespace driver
