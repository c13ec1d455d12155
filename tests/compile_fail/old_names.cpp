// A program of sin_cos 2.x compiles with <sin_cos/deprecated.hpp>, each old
// name deprecated with what replaces it (compiled, not run).
#include <random>

#include <sin_cos/deprecated.hpp>

int main()
{
    const sampler::Table old = sampler::build_table(2.11, 4, -1, 1, 100, sampler::mode::tight);
    const std::vector<sampler::Law> laws = {{-1, 1, 2.11, 4}};
    sampler::sin_cos_distribution d(sampler::build_tables(laws, 100, law::mode::tight).front());
    const sin_cos::distribution now(sin_cos::build_table(sin_cos::law{-1, 1, 2.11, 4}, 100, sin_cos::mode::tight));
    std::mt19937_64 g(1), h(1);
    return old.edges == now.table().edges && d(g) == now(h) && law::density(0.5, 2, 4) == sin_cos::density(0.5, 2, 4)
               ? 0
               : 1;
}
