#include <mutex>
#include <vector>

#include "driver/histogram.hpp"
#include "envelope/envelope.hpp"
#include "sin_cos/sampler.hpp"

namespace sampler {

// Provisional: builds through the tool's histogram build.
Table build_table(double H, int M, double xini, double xfin, int n, mode)
{
    static std::mutex one_at_a_time;
    const std::lock_guard<std::mutex> lock(one_at_a_time);
    using namespace envelope;
    Acc_interval = 0.1;
    Acc_ridders = 1e-8;
    Acc_a = 1e-7;
    envelope::H = H;
    envelope::M = M;
    Xini = xini;
    Xfin = xfin;
    std::vector<double> x(n + 1), f1(n + 1);
    const driver::Histogram h = driver::build_histogram(1, n, xini, xfin, x.data(), f1.data());
    Table t;
    t.H = H;
    t.M = M;
    t.xini = xini;
    t.xfin = xfin;
    t.loss = h.loss;
    t.a = h.a;
    t.edges = x;
    t.edges.back() = xfin;
    return t;
}

}  // namespace sampler
