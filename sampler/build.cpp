#include "envelope/build.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"
#include "numeric/parallel.hpp"
#include "sin_cos/build.hpp"

namespace sin_cos {

table build_table(const law& l, int n, mode m)
{
    try {
        return envelope::build(envelope::check_answers(l.H, l.M, l.xini, l.xfin, n), m).table;
    } catch (const numeric::failure& f) {
        throw build_error(f.kind() == numeric::failure_kind::refused ? errc::refused : errc::numerical, f.what());
    }
}

std::vector<table> build_tables(const std::vector<law>& laws, int n, mode m)
{
    // As the tool, C and write_tables refuse it: an empty set is a mistake,
    // and an empty result would only meet write_tables' refusal later.
    if (laws.empty()) throw error(errc::invalid_argument, "build_tables: no law was given");
    std::vector<table> tables(laws.size());
    numeric::in_order_parallel(laws.size(), [&](std::size_t i) {
        const law& l = laws[i];
        try {
            tables[i] = build_table(l, n, m);
        } catch (const build_error& e) {
            throw build_error(e.kind(), "law " + std::to_string(i + 1) + " (xini=" + numeric::shortest(l.xini) +
                                            ", xfin=" + numeric::shortest(l.xfin) + ", H=" + numeric::shortest(l.H) +
                                            ", M=" + std::to_string(l.M) + "): " + e.what());
        }
    });
    return tables;
}

}  // namespace sin_cos
