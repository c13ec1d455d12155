#pragma once

// Tables built in process: the very tables sin_cos writes.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "law.hpp"
#include "table.hpp"

namespace sin_cos {

// The table sin_cos writes for the answers xini, xfin, H, M, n: the same
// edges and area, double for double, and the same loss before its rounding to
// six decimals; the last edge is xfin. Prints nothing and writes no file.
// Throws build_error where the tool would stop (refused: the law or n breaks
// a rule, validate_build; numerical: no sound table); the next build is
// unaffected. Every build owns its state: calls from several threads run side
// by side.
table build_table(const law& l, int n, mode m = mode::classic);

// The tables of several laws with n bins each, in the laws' order, built side
// by side on every core; each is the table build_table gives for its law.
// When laws cannot be built, the build_error is that of the first of them in
// the given order, its message starting with the law ("law 2 (xini=-1,
// xfin=1, H=2.5, M=3): "); no law after it is started. An empty set of laws
// is error (invalid_argument): "build_tables: no law was given".
std::vector<table> build_tables(const std::vector<law>& laws, int n, mode m = mode::classic);

// Both constructions make every bin's height at least this times the
// density's maximum on it: no table loses less than 0.1 %.
inline constexpr double margin = 1.001;

// What can be known of a law and n in microseconds, before any build: throws
// build_error where no table of n bins can come of it, as a build of it would
// fail, though perhaps only after minutes of calibration (numerical: an
// interval holding fewer than n + 1 doubles, a density without a usable
// integral in doubles, n bins too few to reach an acceptance rate of 1e-7,
// an H past what doubles can evaluate; refused: as build_table refuses).
// Passing it promises no table: a build may still fail.
void precheck(const law& l, int n);

// Whether the --tight table of n bins may lose `loss` percent or less, as
// far as a few microseconds tell, for a law and n that a build took: false
// only where no n bins of one area, each at least margin times the density's
// maximum on it, can cover the interval with that loss, counted from the high
// end of each piece where the density is monotone in at most n + 4
// evaluations of it, no layout made. True promises nothing.
bool tight_may_lose_at_most(const law& l, int n, double loss);

// What a calibration tells whoever watches it: it begins, it has made one
// more layout, it ends.
enum class progress_event { begin, pass, end };

// Who hears about a build as it goes: a long calibration's progress (the
// stage, the layouts so far, how far the last edge lies from its target) and
// the replacement of an unsound table by a recalibrated one. An observer
// carries its own state: give each build on its own thread its own.
class build_observer {
public:
    virtual ~build_observer() = default;
    virtual void progress(progress_event event, const char* stage, int layouts, double distance) = 0;
    virtual void recalibrating(const char* why) = 0;
};

// A table and what its construction knows beside it: the last edge where
// the calibration pinned it (the classic one within rounding of xfin, which
// the table's last edge is; the tight one on xfin), the height of every bin
// as the construction computed it, and whether an unsound first table was
// recalibrated, and why. (No bin of a table a build gives lies below the
// density's maximum: that is what sound means.)
struct built {
    sin_cos::table table;
    double last_edge = 0.0;
    std::vector<double> heights;
    bool recalibrated = false;
    std::string why;
};

// build_table with that account, telling `observer` (if any) as it goes.
built build(const law& l, int n, mode m = mode::classic, build_observer* observer = nullptr);

// Builds the laws side by side on every core, as build_tables does, and gives
// each built table to `take` (its index in `laws`) on the thread that built
// it, as soon as it is built: `take` runs for several laws at once and must
// keep what it keeps apart per index. Failures as build_tables'; a failure
// thrown by `take` stops the laws after it as well and is rethrown as it is.
void build_each(const std::vector<law>& laws, int n, mode m, const std::function<void(std::size_t, built&&)>& take);

}  // namespace sin_cos
