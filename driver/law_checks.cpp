#include "driver/law_checks.hpp"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <limits>
#include <system_error>
#include <thread>

namespace driver {

namespace {

// The routines' messages, as a user who asked for a table reads them.
struct meaning {
    const char* starts;
    const char* words;
};
constexpr meaning meanings[] = {
    {"Too many steps in routine qromb", "the area integral did not converge"},
    {"Too many steps in routine qsimp", "the area integral did not converge"},
    {"root must be bracketed in zriddr", "a bin edge could not be placed: no bracket holds it"},
    {"zriddr exceed maximum iterations", "a bin edge could not be placed: its search did not converge"},
    {"Error in routine polint", "the area integral broke down (two equal abscissas)"},
    {"bin area calibration failed", "the bin area could not be calibrated"},
    {"edge search", "a bin edge could not be placed"},
};

sin_cos::law as_law(const law_answers& law) { return {law.xini, law.xfin, law.H, law.M}; }

}  // namespace

void check_law_before_building(std::size_t number, const law_answers& law, int n)
{
    try {
        sin_cos::precheck(as_law(law), n);
    } catch (const sin_cos::build_error& e) {
        throw sin_cos::build_error(e.kind(), law_name(number, law) + ": " + e.what());
    }
}

void check_laws_before_building(const std::vector<law_answers>& laws, int n)
{
    // A thread costs about what a few dozen checks do.
    constexpr std::size_t few = 256;
    const std::size_t count = laws.size();
    constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
    std::size_t from = 0;  // the loop in order starts at the first law that failed side by side
    if (count >= few) {
        std::atomic<std::size_t> next{0};
        std::atomic<std::size_t> first_failed{none};
        auto work = [&] {
            for (;;) {
                const std::size_t k = next.fetch_add(1);
                if (k >= count || k > first_failed.load()) return;
                try {
                    sin_cos::precheck(as_law(laws[k]), n);
                } catch (...) {
                    std::size_t seen = first_failed.load();
                    while (k < seen && !first_failed.compare_exchange_weak(seen, k)) {
                    }
                }
            }
        };
        std::vector<std::thread> helpers;
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned t = 1; t < cores; ++t) {
            try {
                helpers.emplace_back(work);
            } catch (const std::system_error&) {
                break;  // the threads running share the checks
            }
        }
        work();
        for (std::thread& t : helpers) t.join();
        from = first_failed.load() == none ? count : first_failed.load();
    }
    // Where a check failed, the same check in order throws what it threw.
    for (std::size_t k = from; k < count; ++k) check_law_before_building(k + 1, laws[k], n);
}

std::string in_words(const std::string& message)
{
    for (const meaning& m : meanings) {
        if (message.rfind(m.starts, 0) == 0) return std::string(m.words) + " (" + message + ")";
    }
    return message;
}

sin_cos::build_error law_failure(std::size_t number, const law_answers& law, int n, sin_cos::mode mode,
                                 sin_cos::errc kind, const std::string& what)
{
    std::string message = law_name(number, law) + ": " + in_words(what);
    if (mode != sin_cos::mode::tight && kind != sin_cos::errc::refused) {
        try {
            const double loss = sin_cos::build_table(as_law(law), n, sin_cos::mode::tight).loss;
            char figure[32];
            std::snprintf(figure, sizeof figure, "%.3g", loss);
            message += "; sin_cos --tight builds this law (loss " + std::string(figure) + "%)";
        } catch (const sin_cos::error&) {
            message += "; sin_cos --tight cannot build it either";
        }
    }
    return sin_cos::build_error(kind, message);
}

}  // namespace driver
