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

#include "distribution.hpp"
#include "table.hpp"

namespace sampler {

// How the envelope is calibrated: `specified` is what sin_cos does by default;
// `tight` is sin_cos --tight, the lowest loss n equal-area bins allow.
using law::mode;

// A build that sin_cos would end with exit status 1 (a numerical failure) or
// 255 (a refused parameter); what() is the tool's message.
class build_error : public std::runtime_error {
public:
    build_error(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const noexcept { return status_; }

private:
    int status_;
};

// The table sin_cos writes for the answers xini, xfin, H, M, n: the same
// edges and area, double for double, and the same loss before its rounding to
// six decimals; the last edge is xfin. Prints nothing and writes no file.
// Throws build_error where the tool would stop; the next build is unaffected.
// Every build owns its state: calls from several threads run side by side.
Table build_table(double H, int M, double xini, double xfin, int n, mode m = mode::specified);

}  // namespace sampler
