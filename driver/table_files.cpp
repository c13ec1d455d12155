#include "driver/table_files.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <utility>
#include <vector>

#include "driver/console.hpp"
#include "driver/signals.hpp"
#include "envelope/classic/density.hpp"
#include "envelope/classic/settings.hpp"
#include "numeric/error.hpp"
#include "sin_cos/table_text.hpp"

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
            sin_cos::text::fixed6(text, edge);
            text += ' ';
            sin_cos::text::fixed6(text, g_edge);
            text += ' ';
            sin_cos::text::fixed6(text, f1[i]);
            text += '\n';
        }
        g = g_next;
    }
    return text;
}

// How long a run waits for another writing its files in the same folder.
// The longest a run holds its turn is while it writes the largest table (ten
// million edges, about 240 MB) and its console lines: seconds, even on slow
// storage. A turn held for a minute is a run that waits on a pipe nobody
// reads or was stopped: better to say so than to wait for ever.
constexpr std::chrono::seconds turn_wait(60);

void say_waiting()
{
    if (isatty(STDERR_FILENO) != 1) return;
    std::fprintf(stderr, "sin_cos: another run is writing its files in this folder; waiting for it (at most %d s)\n",
                 static_cast<int>(turn_wait.count()));
}

template <class Step>
void as_failure(Step&& step)
{
    try {
        step();
    } catch (const std::runtime_error& e) {
        numeric::fail(numeric::failure_kind::io, false, "%s", e.what());
    }
}

}  // namespace

run_files::run_files(const envelope::built& t)
{
    const sin_cos::table& h = t.table;
    const int n = static_cast<int>(h.bins());
    stage(sin_cos::text::banner(n) + sin_cos::text::histogram(h.H, h.M, n, h.xini, h.xfin, h.loss, h.a, h.edges.data()),
          &t);
}

run_files::run_files(const std::string& table, const envelope::built& plotted) { stage(table, &plotted); }

run_files::run_files(int banner_n) { stage(sin_cos::text::banner(banner_n), nullptr); }

void run_files::stage(const std::string& table, const envelope::built* plotted)
{
    const std::string plot = plotted != nullptr ? plot_text(*plotted) : std::string();
    as_failure([&] {
        lock_ = std::make_unique<sin_cos::files::folder_lock>(".", turn_wait, say_waiting);
        table_.emplace(table_file_name, table, note_temporary);
        if (plotted != nullptr) plot_.emplace(plot_file_name, plot, note_temporary);
        // A device or a pipe takes its text only once every temporary is
        // written; a stop still ends the run while it waits for a reader.
        table_->send();
        if (plot_) plot_->send();
    });
}

void run_files::commit()
{
    flush_output();
    as_failure([&] {
        const deferred_stops deferred;
        table_->commit();
        if (plot_) plot_->commit();
    });
    table_.reset();
    plot_.reset();
    lock_.reset();
}

}  // namespace driver
