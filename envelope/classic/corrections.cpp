#include "envelope/classic/corrections.hpp"

#include "envelope/classic/density.hpp"

#include "envelope/table.hpp"

namespace envelope {

double corrections(state& st, double last_edge, double x[], double f1[], double* a, int n, std::vector<low_bin>* low)
{
    x[n] = last_edge;
    const double r = *a / (x[n] - x[n - 1]);
    const double m = g1_Deltax_max(st, x[n - 1], x[n]);
    const double factor = r > m ? margin : (m * margin) / r;
    *a = *a * factor;
    for (int i = 0; i < n; ++i) {
        f1[i] = *a / (x[i + 1] - x[i]);
        const double mi = g1_Deltax_max(st, x[i], x[i + 1]);
        if (mi > f1[i]) low->push_back({i, f1[i], mi, x[i], x[i + 1]});
    }
    return factor;
}

}  // namespace envelope
