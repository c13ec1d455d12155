#include <utility>

#include "envelope/build.hpp"
#include "numeric/digits.hpp"
#include "numeric/error.hpp"
#include "numeric/parallel.hpp"
#include "sin_cos/build.hpp"

namespace sin_cos {

namespace {

built account_of(envelope::built&& t)
{
    built b;
    b.table = std::move(t.table);
    b.last_edge = t.x_end;
    b.heights = std::move(t.f1);
    b.recalibrated = t.recalibrated;
    b.why = std::move(t.why);
    return b;
}

}  // namespace

built build(const law& l, int n, mode m, build_observer* observer)
{
    try {
        return account_of(envelope::build(envelope::check_answers(l.H, l.M, l.xini, l.xfin, n), m, observer));
    } catch (const numeric::failure& f) {
        // The construction marks a failed soundness check as a complaint about
        // the answers, as the tool shows it; a refusal is not one of those.
        const bool refused = f.kind() == numeric::failure_kind::refused;
        throw build_error(refused ? errc::refused : errc::numerical, f.what(), !refused && f.complaint());
    }
}

table build_table(const law& l, int n, mode m) { return build(l, n, m).table; }

void build_each(const std::vector<law>& laws, int n, mode m, const std::function<void(std::size_t, built&&)>& take)
{
    // As the tool, C and write_tables refuse it: an empty set is a mistake,
    // and an empty result would only meet write_tables' refusal later.
    if (laws.empty()) throw error(errc::invalid_argument, "build_tables: no law was given");
    numeric::in_order_parallel(laws.size(), [&](std::size_t i) {
        const law& l = laws[i];
        built b;
        try {
            b = build(l, n, m);
        } catch (const build_error& e) {
            throw build_error(e.kind(), "law " + std::to_string(i + 1) + " (xini=" + numeric::shortest(l.xini) +
                                            ", xfin=" + numeric::shortest(l.xfin) + ", H=" + numeric::shortest(l.H) +
                                            ", M=" + std::to_string(l.M) + "): " + e.what(), e.none_sound());
        }
        take(i, std::move(b));
    });
}

std::vector<table> build_tables(const std::vector<law>& laws, int n, mode m)
{
    std::vector<table> tables(laws.size());
    build_each(laws, n, m, [&](std::size_t i, built&& b) { tables[i] = std::move(b.table); });
    return tables;
}

}  // namespace sin_cos
