#include "driver/table_files.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "driver/console.hpp"
#include "driver/failure.hpp"
#include "driver/signals.hpp"
#include "sin_cos/table_text.hpp"

namespace driver {

namespace {

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
        fail(sin_cos::errc::io, false, "%s", e.what());
    }
}

}  // namespace

run_files::run_files(const sin_cos::built& t, const std::string& folder)
{
    const sin_cos::table& h = t.table;
    stage(sin_cos::text::table_pieces(h.H, h.M, static_cast<int>(h.bins()), h.xini, h.xfin, h.loss, h.a,
                                      h.edges.data()),
          &t, folder);
}

run_files::run_files(const std::string& table, const sin_cos::built& plotted, const std::string& folder)
{
    stage(sin_cos::files::pieces_of(table), &plotted, folder);
}

run_files::run_files(int banner_n, const std::string& folder)
{
    const std::string banner = sin_cos::text::banner(banner_n);
    stage(sin_cos::files::pieces_of(banner), nullptr, folder);
}

void run_files::stage(const sin_cos::files::text_pieces& table, const sin_cos::built* plotted,
                      const std::string& folder)
{
    // The plot's text is made as it is written; a struct that is not a build's is refused first.
    const sin_cos::files::text_pieces plot =
        plotted != nullptr ? sin_cos::text::plot_pieces(*plotted) : sin_cos::files::text_pieces();
    as_failure([&] {
        lock_ = std::make_unique<sin_cos::files::folder_lock>(folder, turn_wait, say_waiting);
        const std::string in = folder == "." ? "" : folder + "/";
        table_.emplace(in + table_file_name, table, note_temporary);
        if (plotted != nullptr) plot_.emplace(in + plot_file_name, plot, note_temporary);
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
