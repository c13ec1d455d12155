#include <cstdio>

#include "driver/arguments.hpp"
#include "driver/console.hpp"
#include "driver/dialogue.hpp"
#include "driver/table_files.hpp"
#include "envelope/build.hpp"
#include "envelope/parameters.hpp"
#include "envelope/settings.hpp"
#include "numeric/error.hpp"

namespace {

void run(const driver::options& chosen)
{
    int n = 5000;
    double xini = -1.0;
    double xfin = 1.0;
    double H = 2.0;
    int M = 4;
    driver::scanf_reader answers(stdin);
    driver::in_out(answers, stdout, stderr, &n, &xini, &xfin, &H, &M);
    envelope::refuse_bad_answers(H, M, xini, xfin, n);

    std::FILE* file = driver::open_table(n);
    constexpr int histogram = 1;  // a run builds exactly one
    const envelope::build_observer observer{driver::progress_line, driver::announce_recalibration};
    const envelope::mode mode = chosen.tight ? envelope::mode::tight : envelope::mode::specified;
    const envelope::table t = envelope::build(H, M, xini, xfin, n, mode, observer);
    driver::warn_low_bins(t.low_bins);
    driver::report_line(histogram, H, M, t.loss);
    if (mode == envelope::mode::specified) driver::compare_with_tight(H, M, xini, xfin, n, t.loss);
    driver::write_histogram(file, H, M, n, xini, xfin, t.loss, t.a, t.x.data());
    driver::close_table(file);
    driver::write_plot(envelope::for_density(H, M, xini, xfin), t.x.data(), t.f1.data(), n);

    std::printf("\n     -----------------------------------\n");
    std::printf("You must copy the file \"Sin_Cos.res\" in your working directory\n");
    std::printf("You must copy the first lines of Sin_Cos.res at the beginning of the program\n");
    std::printf("     -----------------------------------\n\n");
}

}  // namespace

int main(int argc, char** argv)
{
    const driver::options chosen = driver::read_arguments(argc, argv);
    // Failures come back here, and this is where they are told.
    try {
        run(chosen);
    } catch (const numeric::failure& f) {
        return driver::report_failure(f);
    }
    return driver::finish_output();
}
