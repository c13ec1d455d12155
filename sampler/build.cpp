#include "envelope/build.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"
#include "numeric/parallel.hpp"
#include "sin_cos/sampler.hpp"

#include <stdexcept>

namespace sampler {

Table build_table(double H, int M, double xini, double xfin, int n, mode m)
{
    try {
        return envelope::build(envelope::check_answers(H, M, xini, xfin, n), m).table;
    } catch (const numeric::failure& f) {
        throw build_error(f.kind() == numeric::failure_kind::refused ? error_kind::refused : error_kind::numerical,
                          f.what());
    }
}

std::vector<Table> build_tables(const std::vector<Law>& laws, int n, mode m)
{
    // As the tool, C and write_tables refuse it: an empty set is a mistake,
    // and an empty result would only meet write_tables' refusal later.
    if (laws.empty()) throw std::invalid_argument("build_tables: no law was given");
    std::vector<Table> tables(laws.size());
    numeric::in_order_parallel(laws.size(), [&](std::size_t i) {
        const Law& law = laws[i];
        try {
            tables[i] = build_table(law.H, law.M, law.xini, law.xfin, n, m);
        } catch (const build_error& e) {
            throw build_error(e.kind(), "law " + std::to_string(i + 1) + " (xini=" + numeric::shortest(law.xini) +
                                              ", xfin=" + numeric::shortest(law.xfin) +
                                              ", H=" + numeric::shortest(law.H) + ", M=" + std::to_string(law.M) +
                                              "): " + e.what());
        }
    });
    return tables;
}

}  // namespace sampler
