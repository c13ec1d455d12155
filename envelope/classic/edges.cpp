#include "envelope/classic/edges.hpp"

#include <algorithm>
#include <vector>

#include "envelope/classic/density.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"
#include "numeric/ridders.hpp"

namespace envelope {

double find_x(state& st, double x0, double a)
{
    if (x0 > st.Xlimit) return st.Xlimit + 1;
    const auto residual = [&st, x0, a](double x) { return g1_Deltax(st, x0, x, a); };
    const double hi = root1(st, residual, x0, st.Acc_interval);
    const double lo = hi - st.Acc_interval;
    if (lo > st.Xlimit) return st.Xlimit + 1;
    const double r = numeric::zriddr(residual, lo, hi, st.Acc_ridders);
    // No estimate (residuals too small to square, below ~1e-162) or an edge
    // off its bracket would stall the next search.
    if (r == numeric::zriddr_no_estimate || !(r >= lo - st.Acc_interval && r <= hi + st.Acc_interval)) {
        numeric::fatal("edge search failed: root x=%s lies outside its bracket [%s, %s] for the bin from %s",
                       numeric::shortest(r).c_str(), numeric::shortest(lo).c_str(), numeric::shortest(hi).c_str(),
                       numeric::shortest(x0).c_str());
    }
    const double d0 = residual(r);
    const double d1 = residual(r + st.Acc_ridders);
    if ((d0 > 0 && d1 > 0) || (d0 < 0 && d1 < 0)) return r - st.Acc_ridders;
    return r;
}

void find_x_all(state& st, double a, double x[], int n)
{
    if (n <= 0) return;
    const layout_key key{bits(a), bits(x[0]), bits(st.Xlimit), n};
    if (const std::vector<double>* known = st.last_layout.find(key)) {
        std::copy(known->begin(), known->end(), x + 1);
        return;
    }
    for (int i = 1; i <= n; ++i) x[i] = find_x(st, x[i - 1], a);
    st.last_layout.put(key).assign(x + 1, x + n + 1);
}

}  // namespace envelope
