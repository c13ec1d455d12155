#pragma once

// A run stopped by SIGINT, SIGTERM or SIGHUP leaves the files it found and
// removes the temporaries it was writing, then ends by that signal; so does a
// run ended by a write (SIGPIPE from a pipe nobody reads, SIGXFSZ past the
// file size limit). A stop ends the run at once, even while it waits to open
// or write a pipe, except while its files are being put in place.

#include <signal.h>

namespace driver {

// Installs the handlers; called once, before any file is written.
void guard_temporaries();

// The hook of the files being written: remembers each temporary while it exists.
void note_temporary(const char* path, bool exists);

// While one lives, the three stops wait: the files it guards are put in place
// together or not at all.
class deferred_stops {
public:
    deferred_stops();
    ~deferred_stops();
    deferred_stops(const deferred_stops&) = delete;
    deferred_stops& operator=(const deferred_stops&) = delete;

private:
    sigset_t before_;
};

}  // namespace driver
