#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>

#include "driver/arguments.hpp"
#include "driver/console.hpp"
#include "driver/dialogue.hpp"
#include "driver/laws_run.hpp"
#include "driver/signals.hpp"
#include "driver/table_files.hpp"
#include "driver/tight_hint.hpp"
#include "driver/failure.hpp"
#include "sin_cos/build.hpp"
#include "sin_cos/error.hpp"
#include "sin_cos/law.hpp"

namespace {

// The answers' one check before a build, where a refusal leaves no file: n
// and the interval are complaints about the answers, as the tool always
// showed them; the law's other rules come from its validator.
void check_answers(const sin_cos::law& law, int n)
{
    if (!sin_cos::valid_bins(n))
        driver::fail(sin_cos::errc::refused, true, "n=%d must be between 1 and %d", n, sin_cos::max_bins);
    if (sin_cos::fault_of(law, true) == sin_cos::law_fault::interval)
        driver::fail(sin_cos::errc::refused, true, "%s",
                     sin_cos::fault_message(law, sin_cos::law_fault::interval, true).c_str());
    sin_cos::validate(law, true);
}

// n once the answers are accepted: a failure from then on leaves the banner.
void run(const driver::options& chosen, int* banner_due, std::string* shifted)
{
    int n = 5000;
    double xini = -1.0;
    double xfin = 1.0;
    double H = 2.0;
    int M = 4;
    driver::scanf_reader answers(stdin);
    *shifted = driver::in_out(answers, stdout, stderr, &n, &xini, &xfin, &H, &M);
    const sin_cos::law law{xini, xfin, H, M};
    check_answers(law, n);
    *banner_due = n;

    constexpr int histogram = 1;  // a run builds exactly one
    driver::console_observer observer;
    const sin_cos::mode mode = chosen.tight ? sin_cos::mode::tight : sin_cos::mode::classic;
    std::optional<driver::tight_figure_ahead> tight;
    if (mode == sin_cos::mode::classic) tight.emplace(law, n);
    const sin_cos::built t = [&] {
        try {
            return sin_cos::build(law, n, mode, &observer);
        } catch (const sin_cos::build_error& e) {
            // A run of one law has always shown this as a complaint about its answers.
            if (e.none_sound()) throw driver::complaint(e.kind(), e.what());
            throw;
        }
    }();
    driver::report_line(histogram, H, M, t.table.loss);
    if (tight) {
        if (const auto figure = tight->worth_telling(t.table.loss))
            std::fprintf(stderr, "%s\n", driver::tight_note("", *figure, t.table.loss).c_str());
        tight.reset();  // its thread is over before any file is written
    }
    *banner_due = 0;  // the build is done: a file that cannot be written leaves both as they were
    driver::run_files files(t, chosen.output);
    driver::closing_lines();
    files.commit();
}

// A standard stream closed by whoever started the run is held by /dev/null,
// opened the wrong way round so that its reads or writes fail as they would
// on the closed one: no file the run opens takes its number and receives
// what was meant for the console.
void hold_closed_streams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int held = open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
        if (held >= 0 && held != fd) close(held);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    hold_closed_streams();
    const driver::options chosen = driver::read_arguments(argc, argv);
    driver::guard_temporaries();
    if (chosen.answered) {
        try {
            driver::run_laws(chosen);
        } catch (const sin_cos::error& f) {
            return driver::report_failure(f);  // the files stay as they were
        }
        return driver::finish_output();
    }
    // Failures come back here, and this is where they are told.
    int banner_due = 0;
    std::string shifted;  // told last, where a reader of the notes looks for how the run ended
    auto tell_shift = [&shifted] {
        if (!shifted.empty()) std::fprintf(stderr, "%s\n", shifted.c_str());
    };
    try {
        run(chosen, &banner_due, &shifted);
    } catch (const sin_cos::error& f) {
        tell_shift();
        const int status = driver::report_failure(f);
        if (banner_due > 0) {
            try {
                driver::run_files banner(banner_due, chosen.output);
                banner.commit();
            } catch (const sin_cos::error& g) {
                driver::report_failure(g);
            }
        }
        return status;
    }
    tell_shift();
    return driver::finish_output();
}
