#include "driver/signals.hpp"

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstring>

namespace driver {

namespace {

constexpr int stops[] = {SIGINT, SIGTERM, SIGHUP};
// What a write itself can end the run with: a pipe with no reader, a file
// past the size limit.
constexpr int write_ends[] = {SIGPIPE, SIGXFSZ};
constexpr int slots = 4;  // a run has at most two temporaries at once

// Read by the handler, written only with the stops blocked.
char temporaries[slots][PATH_MAX];
volatile sig_atomic_t in_use[slots];

sigset_t stop_set()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int s : stops) sigaddset(&set, s);
    return set;
}

void guard(int signal_number, const struct sigaction& action)
{
    struct sigaction old;
    // A signal ignored by whoever started the run stays ignored.
    if (sigaction(signal_number, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) return;
    sigaction(signal_number, &action, nullptr);
}

extern "C" void on_stop(int signal_number)
{
    for (int i = 0; i < slots; ++i) {
        if (in_use[i]) unlink(temporaries[i]);
    }
    // Ends the run by the same signal, as if no handler had been there.
    std::signal(signal_number, SIG_DFL);
    raise(signal_number);
}

}  // namespace

void guard_temporaries()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = on_stop;
    action.sa_mask = stop_set();
    for (const int s : write_ends) sigaddset(&action.sa_mask, s);
    for (const int s : stops) guard(s, action);
    for (const int s : write_ends) guard(s, action);
}

void note_temporary(const char* path, bool exists)
{
    const deferred_stops deferred;
    for (int i = 0; i < slots; ++i) {
        if (exists && !in_use[i]) {
            if (std::strlen(path) >= PATH_MAX) return;
            std::strcpy(temporaries[i], path);
            in_use[i] = 1;
            return;
        }
        if (!exists && in_use[i] && std::strcmp(temporaries[i], path) == 0) {
            in_use[i] = 0;
            return;
        }
    }
}

deferred_stops::deferred_stops()
{
    const sigset_t set = stop_set();
    sigprocmask(SIG_BLOCK, &set, &before_);
}

deferred_stops::~deferred_stops() { sigprocmask(SIG_SETMASK, &before_, nullptr); }

}  // namespace driver
