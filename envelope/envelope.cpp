#include "envelope/envelope.hpp"

namespace envelope {

double Xini = -1.0;
double Xfin = 1.0;
double H = 2.0;
int M = 4;

double Xlimit = 0.0;

double Acc_interval = 0.1;
double Acc_ridders = 1e-8;
double Acc_a = 1e-7;

bool Clip_maxima = false;
bool Warn_low_bins = true;

}  // namespace envelope
