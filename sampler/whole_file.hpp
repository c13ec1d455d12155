#pragma once

// Files replaced whole: the new text is written to a temporary beside the
// file (beside a symbolic link's target, which is what gets replaced) and
// moved over it, so that a reader, a crash or a second writer sees the old
// file or the new one, never a mix. The old file's permission bits are kept.
// Where the directory takes no new file but the file itself is writable, and
// where the path names no regular file (a device, a pipe), the text is
// written in place instead.

#include <string>

namespace sampler::files {

// Told a temporary's path just before it is created (exists = true) and once
// it is gone, renamed or removed (exists = false): a signal handler can then
// remove what a stopped run leaves.
using temp_hook = void (*)(const char* path, bool exists);

// The new text of one file, written to its temporary and not yet in place.
// Failures throw std::runtime_error: "cannot write \"<path>\": <reason>".
class staged_file {
public:
    staged_file(const std::string& path, const std::string& text, temp_hook hook = nullptr);
    ~staged_file();
    staged_file(const staged_file&) = delete;
    staged_file& operator=(const staged_file&) = delete;

    // Puts the text in place: the rename, or the rewrite in place.
    void commit();

private:
    void forget_temp();

    std::string path_;    // as the caller named it, for messages
    std::string target_;  // the file replaced: the path with its links followed
    std::string temp_;    // empty when writing in place
    std::string text_;    // kept only for a rewrite in place
    temp_hook hook_;
};

// Stages and commits at once.
void replace(const std::string& path, const std::string& text);

}  // namespace sampler::files
