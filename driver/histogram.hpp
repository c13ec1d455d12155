#pragma once

namespace driver {

struct Histogram {
    double a;     // common bin area after the corrections
    double loss;  // excess area of the envelope, in percent
};

// Builds histogram number ihist: integrates the density, calibrates the bins
// into x[0..n] and their heights into f1[0..n-1], prints the report line.
Histogram build_histogram(int ihist, int n, double xini, double xfin, double x[], double f1[]);

}  // namespace driver
