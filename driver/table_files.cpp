#include "driver/table_files.hpp"

#include <stdexcept>
#include <utility>
#include <vector>

#include "driver/signals.hpp"
#include "envelope/specified/density.hpp"
#include "envelope/specified/settings.hpp"
#include "numeric/error.hpp"
#include "table_text.hpp"
#include "whole_file.hpp"

namespace driver {

namespace {

std::string plot_text(const envelope::built& t)
{
    const int n = static_cast<int>(t.table.bins());
    const envelope::settings density = envelope::for_density(t.table.H, t.table.M, t.table.xini, t.table.xfin);
    std::vector<double> x(t.table.edges.begin(), t.table.edges.end() - 1);
    x.push_back(t.x_end);
    const double* f1 = t.f1.data();
    std::string text;
    text.reserve(static_cast<std::size_t>(n) * 64);
    // Every inner edge ends one bin and starts the next: its density is computed once.
    double g = envelope::g1(density, x[0]);
    for (int i = 0; i < n; ++i) {
        const double g_next = envelope::g1(density, x[i + 1]);
        for (const auto& [edge, g_edge] : {std::pair{x[i], g}, std::pair{x[i + 1], g_next}}) {
            sampler::text::fixed6(text, edge);
            text += ' ';
            sampler::text::fixed6(text, g_edge);
            text += ' ';
            sampler::text::fixed6(text, f1[i]);
            text += '\n';
        }
        g = g_next;
    }
    return text;
}

}  // namespace

void write_files(const envelope::built& t)
{
    const law::table& h = t.table;
    const int n = static_cast<int>(h.bins());
    write_files(sampler::text::banner(n) +
                    sampler::text::histogram(h.H, h.M, n, h.xini, h.xfin, h.loss, h.a, h.edges.data()),
                t);
}

void write_files(const std::string& table, const envelope::built& plotted)
{
    try {
        sampler::files::staged_file table_file(table_file_name, table, note_temporary);
        sampler::files::staged_file plot_file(plot_file_name, plot_text(plotted), note_temporary);
        // A stop arriving now waits until both files are in place.
        const deferred_stops deferred;
        table_file.commit();
        plot_file.commit();
    } catch (const std::runtime_error& e) {
        numeric::fail(numeric::failure_kind::io, false, "%s", e.what());
    }
}

void write_banner_only(int n)
{
    try {
        sampler::files::staged_file table_file(table_file_name, sampler::text::banner(n), note_temporary);
        const deferred_stops deferred;
        table_file.commit();
    } catch (const std::runtime_error& e) {
        numeric::fail(numeric::failure_kind::io, false, "%s", e.what());
    }
}

}  // namespace driver
