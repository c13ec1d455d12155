#pragma once

// The lower-loss table pointed out: where the default calibration's table
// loses much more than --tight's would, one note on standard error.

#include <future>
#include <optional>
#include <string>

#include "sin_cos/law.hpp"

namespace driver {

// A --tight loss for the same answers: built at their n, or estimated from two
// tables of fewer bins.
struct tight_figure {
    double loss;
    bool estimated;
};

// At or below this many bins the --tight table is built whole.
inline constexpr int tight_built_whole_up_to = 512;

// The --tight loss of these answers, built whole at up to
// tight_built_whole_up_to bins and above that extrapolated from tables of m
// and 2m bins, m = max(n / 64, 128): the staircase's excess over the density
// falls about as n^-p with p between 0.8 and 1 (fitted from the two tables),
// so the estimate costs about 3/64 of a --tight build. On 850 laws (H from 1
// to 1000, M from 0 to 1000, five intervals, n from 513 to 100000) it came
// within a third of the built loss, within a tenth but where the interval
// holds the density's zero at x = 0 between its two peaks. Nothing when a
// table of these answers cannot be built --tight.
std::optional<tight_figure> tight_loss(const sin_cos::law& law, int n);

// The --tight figure worth telling beside the default calibration's `loss`:
// the default loses at least 1 % and --tight at least ten times less.
// Nothing is built when the default loses less than 1 %, nor up to
// tight_built_whole_up_to bins where sin_cos::tight_may_lose_at_most shows
// that --tight loses more than a tenth of `loss`.
std::optional<tight_figure> tight_loss_worth_telling(const sin_cos::law& law, int n, double loss);

// The note, on standard error whatever it is: `about` names the law of a
// many-law run, or is empty.
std::string tight_note(const std::string& about, const tight_figure& tight, double loss);

// The --tight figure of one run's answers, begun on a thread of its own
// before the default build so that it costs the run no time where a second
// core is free (built in turn when no thread can be made). The thread ends
// before the object does.
class tight_figure_ahead {
public:
    tight_figure_ahead(const sin_cos::law& law, int n);
    ~tight_figure_ahead();
    tight_figure_ahead(const tight_figure_ahead&) = delete;
    tight_figure_ahead& operator=(const tight_figure_ahead&) = delete;

    // The figure, where it is worth telling beside the default build's `loss`.
    std::optional<tight_figure> worth_telling(double loss);

private:
    std::optional<tight_figure> figure();

    sin_cos::law law_;
    int n_;
    std::future<std::optional<tight_figure>> ahead_;
};

}  // namespace driver
