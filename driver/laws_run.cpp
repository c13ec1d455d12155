#include "driver/laws_run.hpp"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driver/console.hpp"
#include "driver/table_files.hpp"
#include "envelope/build.hpp"
#include "numeric/error.hpp"
#include "numeric/parallel.hpp"
#include "sin_cos/table_text.hpp"

namespace driver {

namespace {

// What a build leaves for the run to tell and write, once all are done.
struct built {
    std::string text;  // the header line and the edges
    double loss = 0;
    std::string recalibrated;  // why, when it was
    std::vector<envelope::low_bin> low;
    std::optional<double> tight_loss;
    envelope::built plotted;  // the plot's histogram only
};

// A lone build shows its progress; its recalibration is told with the law's
// name once the build is done.
class progress_only : public envelope::build_observer {
public:
    void progress(envelope::progress_event event, const char* stage, int layouts, double distance) override
    {
        console_.progress(event, stage, layouts, distance);
    }
    void recalibrating(const char*) override {}

private:
    console_observer console_;
};

}  // namespace

void run_laws(const options& chosen)
{
    const std::size_t count = chosen.laws.size();
    const int n = chosen.n;
    const envelope::mode mode = chosen.tight ? envelope::mode::tight : envelope::mode::classic;
    std::vector<built> results(count);

    // Each build writes only its own result; the text is formatted there too,
    // so that it is made side by side as well.
    auto build_one = [&](std::size_t k, envelope::build_observer* observer) {
        const law_answers& law = chosen.laws[k];
        try {
            const envelope::answers checked = envelope::check_answers(law.H, law.M, law.xini, law.xfin, n);
            envelope::built t = envelope::build(checked, mode, observer);
            const sin_cos::table& h = t.table;
            built& b = results[k];
            b.text = sin_cos::text::histogram(law.H, law.M, n, law.xini, law.xfin, h.loss, h.a, h.edges.data());
            b.loss = h.loss;
            if (t.recalibrated) b.recalibrated = t.why;
            b.low = std::move(t.low_bins);
            if (mode == envelope::mode::classic) b.tight_loss = tight_loss_worth_telling(checked, h.loss);
            if (k + 1 == chosen.plot) b.plotted = std::move(t);
        } catch (const numeric::failure& f) {
            throw numeric::failure(f.kind(), law_name(k + 1, law) + ": " + f.what());
        }
    };
    if (count == 1) {
        progress_only observer;
        build_one(0, &observer);
    } else {
        numeric::in_order_parallel(count, [&](std::size_t k) { build_one(k, nullptr); });
    }

    std::size_t length = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const built& b = results[k];
        const law_answers& law = chosen.laws[k];
        const std::string about = law_name(k + 1, law) + ": ";
        warn_low_bins(about, b.low);
        if (!b.recalibrated.empty()) announce_recalibration(about, b.recalibrated.c_str());
        report_line(static_cast<int>(k + 1), law.H, law.M, b.loss);
        if (b.tight_loss) tell_tight_loss(about, *b.tight_loss, b.loss);
        length += b.text.size();
    }

    std::string table = sin_cos::text::banner(n);
    table.reserve(table.size() + length);
    for (built& b : results) {
        table += b.text;
        std::string().swap(b.text);
    }
    run_files files(table, results[chosen.plot - 1].plotted);
    std::string().swap(table);
    closing_lines();
    files.commit();
}

}  // namespace driver
