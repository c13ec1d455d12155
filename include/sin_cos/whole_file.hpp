#pragma once

// Files replaced whole: the new text is written to a temporary beside the
// file (beside a symbolic link's target, which is what gets replaced) and
// moved over it, so that a reader, a crash or a second writer sees the old
// file or the new one, never a mix. The old file's permission bits are kept.
// Where the directory takes no new file but the file itself is writable, the
// file is rewritten in place, its space secured first; where the path names
// no regular file (a device, a pipe), the text is written into it. Nothing
// but a regular file is ever replaced.

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace sin_cos::files {

// Told a temporary's path just before it is created (exists = true) and once
// it is gone, renamed or removed (exists = false): a signal handler can then
// remove what a stopped run leaves.
using temp_hook = void (*)(const char* path, bool exists);

// A file's text made piece by piece into the writer's buffer, which then
// stays in the processor's cache and needs no memory of the text's size:
// each call writes whole lines at `at`, at most `room` bytes (never fewer
// than piece_room are offered), and returns how many; 0 once the text is over.
// A text's pieces are drawn once.
using text_pieces = std::function<std::size_t(char* at, std::size_t room)>;
inline constexpr std::size_t piece_room = std::size_t{1} << 18;

// A whole text's pieces, one after another.
text_pieces pieces_of(const std::string& text);

// All of a text's pieces in one string.
std::string whole_text(const text_pieces& text);

// The new text of one file, made ready without touching the file: written to
// its temporary, or, for a rewrite in place, the file opened and the new
// text's space reserved. Failures throw io_error: "cannot write \"<path>\":
// <reason>"; the file is then as it was.
class staged_file {
public:
    staged_file(const std::string& path, const std::string& text, temp_hook hook = nullptr);
    // The same for a text made in pieces; a failure of theirs leaves no temporary.
    staged_file(const std::string& path, const text_pieces& text, temp_hook hook = nullptr);
    ~staged_file();
    staged_file(const staged_file&) = delete;
    staged_file& operator=(const staged_file&) = delete;

    // Writes the text into a device or a pipe, where nothing can wait to be
    // put in place: it blocks as long as the pipe does, and cannot be taken
    // back. Does nothing for a regular file.
    void send();

    // Puts the text in place: the rename, or the rewrite in place.
    void commit();

private:
    enum class way { rename, in_place, stream };
    // Opens the temporary, or readies the rewrite in place or the stream
    // with the text drawn from `whole`: -1 unless a temporary is to be written.
    int open_temp(const std::function<std::string()>& whole);
    void finish_temp(int fd, int error);
    void forget_temp();
    [[noreturn]] void fail_in_place(int error);

    std::string path_;    // as the caller named it, for messages
    std::string target_;  // the file replaced: the path with its links followed
    std::string temp_;    // the temporary, while it exists
    std::string text_;    // kept unless written to the temporary
    temp_hook hook_;
    way way_ = way::rename;
    int fd_ = -1;         // in place: the file, open from staging to commit
    off_t old_size_ = 0;  // in place: what the file is cut back to if not committed
};

// Stages and commits at once.
void replace(const std::string& path, const std::string& text);

// Runs writing their files in one folder take turns: an advisory lock on the
// folder itself, which leaves nothing behind and needs no new file there.
// Held until destroyed; a run that ends for any reason lets it go.
class folder_lock {
public:
    // Waits at most `wait` for a run that holds it, calling `waiting` once
    // when it must wait at all, then throws io_error. Where the folder cannot
    // be opened for reading or its file system keeps no such lock on a folder
    // (some network file systems), the run goes on unlocked, each file still
    // replaced whole.
    folder_lock(const std::string& folder, std::chrono::milliseconds wait, void (*waiting)() = nullptr);
    ~folder_lock();
    folder_lock(const folder_lock&) = delete;
    folder_lock& operator=(const folder_lock&) = delete;

    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace sin_cos::files
