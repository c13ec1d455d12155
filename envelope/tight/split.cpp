#include "envelope/tight/split.hpp"

#include <algorithm>
#include <vector>

#include "numeric/digits.hpp"
#include "numeric/error.hpp"

namespace envelope::tight {

void split_to(const density& d, int n, layout* l)
{
    struct bin {
        double lo, hi;
        bool operator<(const bin& o) const { return hi - lo < o.hi - o.lo; }
    };
    std::vector<bin> heap;
    for (int i = 0; i < l->edges; ++i) heap.push_back({l->x[i], i + 1 < l->edges ? l->x[i + 1] : d.xfin});
    std::make_heap(heap.begin(), heap.end());
    while (static_cast<int>(heap.size()) < n) {
        std::pop_heap(heap.begin(), heap.end());
        const bin widest = heap.back();
        const double mid = widest.lo + (widest.hi - widest.lo) / 2;
        // The domain holds n + 1 doubles, so the widest bin spans at least two ulps.
        if (!(mid > widest.lo && mid < widest.hi)) {
            numeric::fatal("no sound table: the bin [%s, %s] cannot be split", numeric::shortest(widest.lo).c_str(),
                           numeric::shortest(widest.hi).c_str());
        }
        heap.back() = {widest.lo, mid};
        std::push_heap(heap.begin(), heap.end());
        heap.push_back({mid, widest.hi});
        std::push_heap(heap.begin(), heap.end());
    }
    std::sort(heap.begin(), heap.end(), [](const bin& a, const bin& b) { return a.lo < b.lo; });
    for (int i = 0; i < n; ++i) {
        l->x[i] = heap[i].lo;
        l->g[i] = i == 0 ? d.at_xini : d(heap[i].lo);
    }
    l->edges = n;
}

}  // namespace envelope::tight
