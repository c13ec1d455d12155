#pragma once

namespace driver {

struct options {
    bool tight = false;  // the lowest-loss calibration instead of the specified one
};

// Reads the command line before anything else happens: --help and --version
// print their text and end the run with status 0; an argument the tool does
// not know is refused with the usage on standard error, status 255.
options read_arguments(int argc, char** argv);

}  // namespace driver
