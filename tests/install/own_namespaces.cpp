// A simulation with namespaces of its own named as sin_cos 2.x named its
// public ones, and functions in them of 2.x's names and arguments: it must
// compile against every installed header but the deprecated names', and link.
#include <cstdio>
#include <random>

#include <sin_cos/sampler.hpp>

namespace law {
struct table {
    int cells = 3;
};
using mode = int;
double density(double x, double H, int M) { return x * H + M; }
}  // namespace law

namespace sampler {
struct Law {
    double weight = 1;
};
struct Table {};
int build_table(double H, int M, double xini, double xfin, int n) { return static_cast<int>(H + M + xini + xfin) + n; }
}  // namespace sampler

int main()
{
    const law::table own;
    const sampler::Law weight;
    const sin_cos::table t = sin_cos::build_table(sin_cos::law{-1, 1, 2, 4}, 100);
    sin_cos::distribution d(t);
    std::mt19937_64 g(12345);
    const double x = d(g);
    const bool fine = own.cells == 3 && weight.weight == 1 && law::density(1, 2, 3) == 5 &&
                      sampler::build_table(1, 2, 3, 4, 5) == 15 && x >= -1 && x <= 1 && t.law().M == 4;
    std::printf("%s\n", fine ? "own namespaces: fine" : "own namespaces: wrong");
    return fine ? 0 : 1;
}
