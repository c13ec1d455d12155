#include "envelope/tight/tight.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "envelope/parameters.hpp"
#include "envelope/tight/area.hpp"
#include "envelope/tight/density.hpp"
#include "envelope/tight/integral.hpp"
#include "envelope/tight/layout.hpp"
#include "envelope/tight/split.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"

namespace envelope {

namespace {

// The doubles in their order, as integers.
std::int64_t order(double x)
{
    const auto b = std::bit_cast<std::int64_t>(x);
    return b >= 0 ? b : std::numeric_limits<std::int64_t>::min() - b;
}

}  // namespace

built build_tight(const sin_cos::detail::shape& law, double xini, double xfin, int n, build_observer* observer)
{
    using namespace tight;
    if (order(xfin) - order(xini) < n) {
        numeric::fatal("no sound table: the domain [%s, %s] holds fewer than n + 1 = %d doubles",
                       numeric::shortest(xini).c_str(), numeric::shortest(xfin).c_str(), n + 1);
    }
    const density d = make_density(law, xini, xfin);
    const double total = integral(d);
    // Bin areas below the normal doubles would lose their precision.
    if (!(total / n >= std::numeric_limits<double>::min()) || !std::isfinite(total)) {
        numeric::fatal("the density has no usable integral on [%s, %s] with H=%s, M=%d: %s",
                       numeric::shortest(xini).c_str(), numeric::shortest(xfin).c_str(), numeric::shortest(law.H).c_str(),
                       law.M, numeric::shortest(total).c_str());
    }
    refuse_unevaluable_H(law.H);

    layout lay;
    const double v = calibrate(d, total, n, observer, &lay);
    const double s = total / v;
    if (lay.edges < n) split_to(d, n, &lay);

    built t;
    t.factor = margin;
    t.table.a = s * margin;
    t.a0 = total / n;
    std::vector<double>& x = t.table.edges;
    x.assign(lay.x.begin(), lay.x.begin() + n);
    x.push_back(xfin);
    t.x_end = xfin;
    t.table.loss = (t.table.a / t.a0 - 1) * 100.0;
    t.f1.resize(n);
    for (int i = 0; i < n; ++i) {
        const double width = x[i + 1] - x[i];
        const double m = d.max_on(x[i], lay.g[i], x[i + 1], i + 1 < n ? lay.g[i + 1] : d.at_xfin);
        t.f1[i] = t.table.a / width;
        if (!(width > 0) || !std::isfinite(t.f1[i]) || !(t.f1[i] >= margin * m)) {
            numeric::fatal("no sound table: bin %d on [%s, %s] has height %s for a maximum %s", i,
                           numeric::shortest(x[i]).c_str(), numeric::shortest(x[i + 1]).c_str(),
                           numeric::shortest(t.f1[i]).c_str(), numeric::shortest(m).c_str());
        }
    }
    return t;
}

}  // namespace envelope
