#include "driver/laws_run.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driver/console.hpp"
#include "driver/law_checks.hpp"
#include "driver/table_files.hpp"
#include "driver/tight_hint.hpp"
#include "sin_cos/build.hpp"
#include "sin_cos/error.hpp"
#include "sin_cos/table_text.hpp"

namespace driver {

namespace {

// What a build leaves for the run to tell and write, once all are done.
struct built {
    std::string text;  // the header line and the edges
    double loss = 0;
    std::string recalibrated;  // why, when it was
    std::optional<tight_figure> tight_loss;
    sin_cos::built plotted;  // the plot's histogram only
};

// A lone build shows its progress; its recalibration is told with the law's
// name once the build is done.
class progress_only : public sin_cos::build_observer {
public:
    void progress(sin_cos::progress_event event, const char* stage, int layouts, double distance) override
    {
        console_.progress(event, stage, layouts, distance);
    }
    void recalibrating(const char*) override {}

private:
    console_observer console_;
};

// At a terminal, one self-erasing line on standard error: the laws built of
// K and, from the time they took, the time left. Builds on every core call it.
class laws_progress {
public:
    explicit laws_progress(std::size_t count)
        : count_(count), terminal_(isatty(STDERR_FILENO) == 1), started_(std::chrono::steady_clock::now())
    {
    }
    ~laws_progress()
    {
        if (shown_) std::fputs("\r\033[K", stderr);
    }
    laws_progress(const laws_progress&) = delete;
    laws_progress& operator=(const laws_progress&) = delete;

    void one_done()
    {
        if (!terminal_) return;
        const std::lock_guard<std::mutex> hold(mutex_);
        ++done_;
        // Ten lines a second at most: a line for each of many quick laws would
        // cost the run more than their builds.
        const auto now = std::chrono::steady_clock::now();
        if (shown_ && now - last_shown_ < std::chrono::milliseconds(100) && done_ != count_) return;
        last_shown_ = now;
        const double spent = std::chrono::duration<double>(now - started_).count();
        const double left = spent / static_cast<double>(done_) * static_cast<double>(count_ - done_);
        std::fprintf(stderr, "\r\033[Klaws built: %zu of %zu, about %.0f s left\r", done_, count_, left);
        std::fflush(stderr);
        shown_ = true;
    }

private:
    std::size_t count_;
    bool terminal_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point last_shown_;
    std::mutex mutex_;
    std::size_t done_ = 0;
    bool shown_ = false;
};

}  // namespace

void run_laws(const options& chosen)
{
    const std::size_t count = chosen.laws.size();
    const int n = chosen.n;
    const sin_cos::mode mode = chosen.tight ? sin_cos::mode::tight : sin_cos::mode::classic;
    std::vector<sin_cos::law> laws;
    laws.reserve(count);
    for (const law_answers& law : chosen.laws) laws.push_back({law.xini, law.xfin, law.H, law.M});
    std::vector<built> results(count);

    // Each build writes only its own result; the text is formatted there too,
    // so that it is made side by side as well.
    // A lone law's --tight figure is made beside its build; laws built side by
    // side on every core make theirs after their build.
    std::optional<tight_figure_ahead> ahead;
    auto take = [&](std::size_t k, sin_cos::built&& t) {
        const sin_cos::law& law = laws[k];
        const sin_cos::table& h = t.table;
        built& b = results[k];
        b.text = sin_cos::text::histogram(law.H, law.M, n, law.xini, law.xfin, h.loss, h.a, h.edges.data());
        b.loss = h.loss;
        if (t.recalibrated) b.recalibrated = t.why;
        if (ahead) {
            b.tight_loss = ahead->worth_telling(h.loss);
        } else if (mode == sin_cos::mode::classic) {
            b.tight_loss = tight_loss_worth_telling(law, n, h.loss);
        }
        if (k + 1 == chosen.plot) b.plotted = std::move(t);
    };
    // A law doomed by what a glance shows stops the run before hours of
    // building the others.
    check_laws_before_building(chosen.laws, n);
    if (count == 1 && mode == sin_cos::mode::classic) ahead.emplace(laws[0], n);
    if (count == 1) {
        progress_only observer;
        sin_cos::built t;
        try {
            t = sin_cos::build(laws[0], n, mode, &observer);
        } catch (const sin_cos::build_error& e) {
            throw law_failure(1, chosen.laws[0], n, mode, e.kind(), e.what());
        }
        take(0, std::move(t));
    } else {
        laws_progress progress(count);
        try {
            sin_cos::build_each(laws, n, mode, [&](std::size_t k, sin_cos::built&& t) {
                take(k, std::move(t));
                progress.one_done();
            });
        } catch (const sin_cos::build_error& e) {
            // The message starts with the law's name, as the run names it.
            const std::string what = e.what();
            for (std::size_t k = 0; k < count; ++k) {
                const std::string about = law_name(k + 1, chosen.laws[k]) + ": ";
                if (what.rfind(about, 0) == 0)
                    throw law_failure(k + 1, chosen.laws[k], n, mode, e.kind(), what.substr(about.size()));
            }
            throw;
        }
    }

    ahead.reset();  // its thread is over before any file is written
    std::size_t length = 0;
    std::string lossy;  // the laws --tight would build with a tenth of the loss, or less
    std::size_t lossy_count = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const built& b = results[k];
        const law_answers& law = chosen.laws[k];
        const std::string about = law_name(k + 1, law) + ": ";
        if (!b.recalibrated.empty()) announce_recalibration(about, b.recalibrated.c_str());
        report_line(static_cast<int>(k + 1), law.H, law.M, b.loss);
        if (b.tight_loss) {
            std::fprintf(stderr, "%s\n", tight_note(about, *b.tight_loss, b.loss).c_str());
            lossy += (lossy.empty() ? "" : ", ") + std::to_string(k + 1);
            ++lossy_count;
        }
        length += b.text.size();
    }
    if (count > 1 && lossy_count > 0) {
        std::fprintf(stderr, "!!! %zu of %zu laws (%s) lose ten times more than with sin_cos --tight\n", lossy_count,
                     count, lossy.c_str());
    }

    std::string table = sin_cos::text::banner(n);
    table.reserve(table.size() + length);
    for (built& b : results) {
        table += b.text;
        std::string().swap(b.text);
    }
    run_files files(table, results[chosen.plot - 1].plotted, chosen.output);
    std::string().swap(table);
    closing_lines();
    files.commit();
}

}  // namespace driver
