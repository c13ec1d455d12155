#pragma once

// The sampler library: tables built in process or read from the file sin_cos
// writes, and draws from them.
//
//     #include <sin_cos/sampler.hpp>
//     sampler::sin_cos_distribution cos_theta(sampler::build_table(2.0, 4, -1.0, 1.0, 5000));
//     std::mt19937_64 rng(12345);
//     double x = cos_theta(rng);

#include <stdexcept>
#include <string>
#include <vector>

#include "distribution.hpp"
#include "table.hpp"

namespace sampler {

// How the envelope is calibrated: `classic` is what sin_cos does by default;
// `tight` is sin_cos --tight, the lowest loss n equal-area bins allow.
using law::mode;

// A build that sin_cos would stop: a refused answer (refused) or a numerical
// failure, no sound table included (numerical); what() is the tool's message
// without its console marks.
class build_error : public std::runtime_error {
public:
    build_error(error_kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    error_kind kind() const noexcept { return kind_; }
    // The status sin_cos exits with for it: 255 for a refused answer, 1 otherwise.
    int status() const noexcept { return kind_ == error_kind::refused ? 255 : 1; }

private:
    error_kind kind_;
};

// The table sin_cos writes for the answers xini, xfin, H, M, n: the same
// edges and area, double for double, and the same loss before its rounding to
// six decimals; the last edge is xfin. Prints nothing and writes no file.
// Throws build_error where the tool would stop; the next build is unaffected.
// Every build owns its state: calls from several threads run side by side.
Table build_table(double H, int M, double xini, double xfin, int n, mode m = mode::classic);

// One law of a set, in the order sin_cos asks for its answers.
struct Law {
    double xini = -1.0;
    double xfin = 1.0;
    double H = 2.0;
    int M = 4;
};

// The tables of several laws with n bins each, in the laws' order, built side
// by side on every core; each is the table build_table gives for its law.
// When laws cannot be built, the build_error is that of the first of them in
// the given order, its message starting with the law ("law 2 (xini=-1,
// xfin=1, H=2.5, M=3): "); no law after it is started. An empty set of laws
// is std::invalid_argument ("build_tables: no law was given").
std::vector<Table> build_tables(const std::vector<Law>& laws, int n, mode m = mode::classic);

}  // namespace sampler
