#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "driver/arguments.hpp"
#include "driver/console.hpp"
#include "driver/dialogue.hpp"
#include "driver/laws_run.hpp"
#include "driver/signals.hpp"
#include "driver/table_files.hpp"
#include "envelope/build.hpp"
#include "envelope/parameters.hpp"
#include "envelope/classic/settings.hpp"
#include "numeric/error.hpp"

namespace {

// n once the answers are accepted: a failure from then on leaves the banner.
void run(const driver::options& chosen, int* banner_due)
{
    int n = 5000;
    double xini = -1.0;
    double xfin = 1.0;
    double H = 2.0;
    int M = 4;
    driver::scanf_reader answers(stdin);
    driver::in_out(answers, stdout, stderr, &n, &xini, &xfin, &H, &M);
    const envelope::answers checked = envelope::check_answers(H, M, xini, xfin, n);
    *banner_due = n;

    constexpr int histogram = 1;  // a run builds exactly one
    driver::console_observer observer;
    const envelope::mode mode = chosen.tight ? envelope::mode::tight : envelope::mode::classic;
    const envelope::built t = envelope::build(checked, mode, &observer);
    driver::warn_low_bins(t.low_bins);
    driver::report_line(histogram, H, M, t.table.loss);
    if (mode == envelope::mode::classic) driver::compare_with_tight(checked, t.table.loss);
    *banner_due = 0;  // the build is done: a file that cannot be written leaves both as they were
    driver::run_files files(t);
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
        } catch (const numeric::failure& f) {
            return driver::report_failure(f);  // the files stay as they were
        }
        return driver::finish_output();
    }
    // Failures come back here, and this is where they are told.
    int banner_due = 0;
    try {
        run(chosen, &banner_due);
    } catch (const numeric::failure& f) {
        const int status = driver::report_failure(f);
        if (banner_due > 0) {
            try {
                driver::run_files banner(banner_due);
                banner.commit();
            } catch (const numeric::failure& g) {
                driver::report_failure(g);
            }
        }
        return status;
    }
    return driver::finish_output();
}
