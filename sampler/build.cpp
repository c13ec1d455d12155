#include "envelope/build.hpp"
#include "numeric/error.hpp"
#include "sin_cos/sampler.hpp"

namespace sampler {

Table build_table(double H, int M, double xini, double xfin, int n, mode m)
{
    try {
        return envelope::build(envelope::check_answers(H, M, xini, xfin, n), m).table;
    } catch (const numeric::failure& f) {
        throw build_error(f.status(), f.what());
    }
}

}  // namespace sampler
