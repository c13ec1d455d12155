#pragma once

namespace driver {

struct Histogram {
    double a;     // common bin area after the corrections
    double loss;    // excess area of the envelope, in percent
    double factor;  // the correction factor that enlarged the calibrated area
    bool recalibrated;
};

// Builds histogram number ihist: integrates the density, calibrates the bins
// into x[0..n] and their heights into f1[0..n-1], prints the report line.
// An envelope that cannot be sampled from is recalibrated (one "!!!" line on
// standard error) unless recalibrate_unsound is false; when no sound one can
// be made the process ends with status 1.
Histogram build_histogram(int ihist, int n, double xini, double xfin, double x[], double f1[],
                          bool recalibrate_unsound = true);

}  // namespace driver
