#include "envelope/settings.hpp"

namespace envelope {

namespace stored {
double xini, xfin, h;
int m;
double xlimit, acc_interval, acc_ridders, acc_a;
bool clip_maxima, warn_low_bins;
progress_hook progress;
std::uint64_t generation = 1;
}  // namespace stored

namespace {

settings read_settings()
{
    using namespace stored;
    return {xini, xfin, h, m, xlimit, acc_interval, acc_ridders, acc_a, clip_maxima, warn_low_bins, progress};
}

void apply(const settings& s)
{
    using namespace stored;
    xini = s.Xini;
    xfin = s.Xfin;
    h = s.H;
    m = s.M;
    xlimit = s.Xlimit;
    acc_interval = s.Acc_interval;
    acc_ridders = s.Acc_ridders;
    acc_a = s.Acc_a;
    clip_maxima = s.Clip_maxima;
    warn_low_bins = s.Warn_low_bins;
    progress = s.Progress;
    ++stored::generation;
}

// Set before main, so that nothing ever reads a setting without a value.
[[maybe_unused]] const bool initialised = (apply(start_up()), true);

}  // namespace

settings start_up()
{
    return {-1.0, 1.0, 2.0, 4, 0.0, 0.1, 1e-8, 1e-7, false, true, nullptr};
}

settings for_density(double H, int M, double xini, double xfin)
{
    settings s = start_up();
    s.H = H;
    s.M = M;
    s.Xini = xini;
    s.Xfin = xfin;
    return s;
}

settings current_settings() { return read_settings(); }

void start_up_settings() { apply(start_up()); }

settings_guard::settings_guard(const settings& now) : saved_(read_settings()) { apply(now); }

settings_guard::~settings_guard() { apply(saved_); }

void move_Xlimit(double xlimit) { stored::xlimit = xlimit; }

}  // namespace envelope
