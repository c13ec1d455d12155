#include <cstdio>
#include <cstdlib>
#include <vector>

#include "driver/dialogue.hpp"
#include "driver/histogram.hpp"
#include "driver/parameters.hpp"
#include "driver/table_files.hpp"
#include "envelope/density.hpp"
#include "envelope/envelope.hpp"

int main()
{
    using namespace envelope;
    Acc_interval = 0.1;
    Acc_ridders = 1e-8;
    Acc_a = 1e-7;

    int n = 5000;
    double xini = -1.0;
    double xfin = 1.0;
    H = 2.0;
    M = 4;

    std::vector<double> x(driver::max_bins + 1);
    std::vector<double> f1(driver::max_bins + 1);

    driver::in_out(&n, &xini, &xfin);
    driver::refuse_bad_parameters(n, xini, xfin);
    Xini = xini;
    Xfin = xfin;

    std::FILE* table = driver::open_table(n);
    for (int ihist = 1; ihist <= 1; ++ihist) {
        if (M & 1) {
            std::printf("M=%d must be a multiple of 2\n", M);
            std::exit(-1);
        }
        if (H < 1) {
            std::printf("H=%f must be >=1\n", H);
            std::exit(-1);
        }
        check_g_positive(xini, xfin);
        const driver::Histogram h = driver::build_histogram(ihist, n, xini, xfin, x.data(), f1.data());
        driver::write_histogram(table, H, M, n, xini, xfin, h.loss, h.a, x.data());
    }
    driver::close_table(table);
    driver::write_plot(x.data(), f1.data(), n);

    std::printf("\n     -----------------------------------\n");
    std::printf("You must copy the file \"Sin_Cos.res\" in your working directory\n");
    std::printf("You must copy the first lines of Sin_Cos.res at the beginning of the program\n");
    std::printf("     -----------------------------------\n\n");
    return 0;
}
