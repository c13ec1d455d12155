#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <limits>
#include <system_error>
#include <thread>
#include <vector>

namespace numeric {

// Runs body(0) ... body(count - 1) side by side on up to `threads` threads
// (0: one per core), the calling thread among them. Indices are taken in
// increasing order, so when body(i) throws, every index below i has been
// started: no index after i is started, the running calls end, and the
// exception of the smallest failing index is rethrown - the failure a loop in
// order would have met first. Each call must touch only its own results.
template <class Body>
void in_order_parallel(std::size_t count, Body body, unsigned threads = 0)
{
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers = std::min<std::size_t>(threads, count);
    std::vector<std::exception_ptr> errors(count);
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> first_failed{std::numeric_limits<std::size_t>::max()};
    auto work = [&] {
        for (;;) {
            const std::size_t i = next.fetch_add(1);
            if (i >= count || i > first_failed.load()) return;
            try {
                body(i);
            } catch (...) {
                errors[i] = std::current_exception();
                std::size_t seen = first_failed.load();
                while (i < seen && !first_failed.compare_exchange_weak(seen, i)) {
                }
            }
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(workers);
    for (std::size_t k = 1; k < workers; ++k) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the ones running share the work
        }
    }
    work();
    for (std::thread& t : helpers) t.join();
    for (const std::exception_ptr& e : errors) {
        if (e) std::rethrow_exception(e);
    }
}

}  // namespace numeric
