#include "whole_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "sin_cos/table.hpp"

namespace sampler::files {

namespace {

[[noreturn]] void fail(const char* action, const std::string& path, int error)
{
    throw io_error(path, error, "cannot " + std::string(action) + " \"" + path + "\": " + std::strerror(error));
}

std::string directory_of(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a path names once its symbolic links are followed (the last of a
// dangling chain, which is then created).
std::string follow_links(const std::string& path)
{
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t length = readlink(p.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return p;
        const std::string next(target.data(), static_cast<std::size_t>(length));
        p = next.front() == '/' ? next : directory_of(p) + next;
    }
    return p;
}

// Writes all of text to fd, returning 0 or the error.
int write_all(int fd, const std::string& text)
{
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t done = write(fd, data, left);
        if (done < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += done;
        left -= static_cast<std::size_t>(done);
    }
    return 0;
}

int close_checked(int fd, int error)
{
    if (close(fd) != 0 && error == 0) error = errno;
    return error;
}

}  // namespace

staged_file::staged_file(const std::string& path, const std::string& text, temp_hook hook)
    : path_(path), target_(follow_links(path)), hook_(hook)
{
    struct stat old;
    const bool exists = stat(target_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        // A device, a pipe or a directory is written into, never replaced.
        text_ = text;
        return;
    }
    // Named after the file and the run that left it; the first free number
    // of this run's, so that threads writing the same file never share one.
    int fd = -1;
    for (unsigned k = 0; fd < 0 && k < 1000; ++k) {
        temp_ = target_ + "." + std::to_string(getpid()) + "-" + std::to_string(k) + ".tmp";
        if (hook_ != nullptr) hook_(temp_.c_str(), true);
        fd = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) {
            if (hook_ != nullptr) hook_(temp_.c_str(), false);
            continue;
        }
        break;
    }
    if (fd < 0) {
        const int error = errno;
        forget_temp();
        if (exists && (error == EACCES || error == EPERM) && access(target_.c_str(), W_OK) == 0) {
            text_ = text;  // the directory is closed to new files: rewrite in place at commit
            return;
        }
        fail(exists ? "write" : "create", path_, error);
    }
    int error = 0;
    if (exists && fchmod(fd, old.st_mode & 07777) != 0) error = errno;
    if (error == 0) error = write_all(fd, text);
    error = close_checked(fd, error);
    if (error != 0) {
        unlink(temp_.c_str());
        forget_temp();
        fail("write", path_, error);
    }
}

staged_file::~staged_file()
{
    if (temp_.empty()) return;
    unlink(temp_.c_str());
    forget_temp();
}

void staged_file::forget_temp()
{
    if (hook_ != nullptr) hook_(temp_.c_str(), false);
    temp_.clear();
}

void staged_file::commit()
{
    if (!temp_.empty()) {
        if (rename(temp_.c_str(), target_.c_str()) != 0) {
            const int error = errno;
            unlink(temp_.c_str());
            forget_temp();
            fail("write", path_, error);
        }
        forget_temp();
        return;
    }
    const int fd = open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) fail("write", path_, errno);
    const int error = close_checked(fd, write_all(fd, text_));
    if (error != 0) fail("write", path_, error);
}

void replace(const std::string& path, const std::string& text)
{
    staged_file file(path, text);
    file.commit();
}

}  // namespace sampler::files
