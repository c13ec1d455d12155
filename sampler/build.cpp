#include "envelope/build.hpp"
#include "numeric/error.hpp"
#include "sin_cos/sampler.hpp"

namespace sampler {

Table build_table(double H, int M, double xini, double xfin, int n, mode m)
{
    try {
        const envelope::table built =
            envelope::build(H, M, xini, xfin, n, m == mode::tight ? envelope::mode::tight : envelope::mode::specified);
        Table t;
        t.H = H;
        t.M = M;
        t.xini = xini;
        t.xfin = xfin;
        t.loss = built.loss;
        t.a = built.a;
        t.edges = built.x;
        t.edges.back() = xfin;  // as a reader of the table file sees it
        return t;
    } catch (const numeric::failure& f) {
        throw build_error(f.status(), f.what());
    }
}

}  // namespace sampler
