#include "sin_cos/whole_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "sin_cos/table.hpp"

namespace sin_cos::files {

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
int write_all(int fd, const char* data, std::size_t left)
{
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

// Secures the space of `size` bytes from the start of fd, where the file
// system can: a rewrite in place then cannot run out of room half way. The
// file's length is kept where the system allows it; the caller cuts the file
// back to its old length if it is not rewritten.
int reserve(int fd, off_t size)
{
    if (size == 0) return 0;
#ifdef FALLOC_FL_KEEP_SIZE
    if (fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) == 0) return 0;
    if (errno != EOPNOTSUPP && errno != ENOSYS) return errno;
#endif
    return posix_fallocate(fd, 0, size);
}

// Leaves a file that is not to be rewritten after all as it was: its old
// length, without the space reserved for the new text.
void give_up(int fd, off_t old_size)
{
    if (ftruncate(fd, old_size) != 0) {
        // Only the reservation stays; the old text is whole either way.
    }
    close(fd);
}

}  // namespace

staged_file::staged_file(const std::string& path, const std::string& text, temp_hook hook)
    : path_(path), target_(follow_links(path)), hook_(hook)
{
    const int fd = open_temp([&text] { return text; });
    if (fd >= 0) finish_temp(fd, write_all(fd, text.data(), text.size()));
}

staged_file::staged_file(const std::string& path, const text_pieces& text, temp_hook hook)
    : path_(path), target_(follow_links(path)), hook_(hook)
{
    const int fd = open_temp([&text] { return whole_text(text); });
    if (fd < 0) return;
    int error = 0;
    try {
        const std::unique_ptr<char[]> buffer(new char[piece_room]);
        for (std::size_t size = 0; error == 0 && (size = text(buffer.get(), piece_room)) > 0;)
            error = write_all(fd, buffer.get(), size);
    } catch (...) {
        close(fd);
        unlink(temp_.c_str());
        forget_temp();
        throw;
    }
    finish_temp(fd, error);
}

int staged_file::open_temp(const std::function<std::string()>& whole)
{
    struct stat old;
    const bool exists = stat(target_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        // A device, a pipe or a directory is written into, never replaced.
        way_ = way::stream;
        text_ = whole();
        return -1;
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
            // The directory is closed to new files: the file is rewritten in
            // place at commit, once its new length is sure to fit.
            way_ = way::in_place;
            text_ = whole();
            // Not blocking, in case a pipe took the file's place since.
            fd_ = open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            struct stat now;
            if (fd_ < 0 || fstat(fd_, &now) != 0) fail_in_place(errno);
            if (!S_ISREG(now.st_mode)) fail_in_place(EINVAL);
            old_size_ = now.st_size;
            if (const int e = reserve(fd_, static_cast<off_t>(text_.size())); e != 0) fail_in_place(e);
            return -1;
        }
        fail(exists ? "write" : "create", path_, error);
    }
    if (exists && fchmod(fd, old.st_mode & 07777) != 0) finish_temp(fd, errno);
    return fd;
}

// Closes the temporary written, and removes it if anything failed.
void staged_file::finish_temp(int fd, int error)
{
    error = close_checked(fd, error);
    if (error != 0) {
        unlink(temp_.c_str());
        forget_temp();
        fail("write", path_, error);
    }
}

staged_file::~staged_file()
{
    if (fd_ >= 0) give_up(fd_, old_size_);
    if (temp_.empty()) return;
    unlink(temp_.c_str());
    forget_temp();
}

void staged_file::forget_temp()
{
    if (hook_ != nullptr) hook_(temp_.c_str(), false);
    temp_.clear();
}

void staged_file::fail_in_place(int error)
{
    if (fd_ >= 0) give_up(fd_, old_size_);
    fd_ = -1;
    fail("write", path_, error);
}

void staged_file::send()
{
    if (way_ != way::stream || text_.empty()) return;
    const int fd = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) fail("write", path_, errno);
    const int error = close_checked(fd, write_all(fd, text_.data(), text_.size()));
    if (error != 0) fail("write", path_, error);
    std::string().swap(text_);
}

void staged_file::commit()
{
    switch (way_) {
    case way::stream:
        send();
        return;
    case way::rename: {
        if (temp_.empty()) return;
        // Whatever took the file's place since it was staged, if not a
        // regular file, stays.
        struct stat now;
        int error = lstat(target_.c_str(), &now) == 0 && !S_ISREG(now.st_mode) ? EEXIST : 0;
        if (error == 0 && rename(temp_.c_str(), target_.c_str()) != 0) error = errno;
        if (error != 0) {
            unlink(temp_.c_str());
            forget_temp();
            fail("write", path_, error);
        }
        forget_temp();
        return;
    }
    case way::in_place: {
        if (fd_ < 0) return;
        const int fd = fd_;
        fd_ = -1;
        int error = 0;
        if (lseek(fd, 0, SEEK_SET) != 0) error = errno;
        if (error == 0) error = write_all(fd, text_.data(), text_.size());
        if (error == 0 && ftruncate(fd, static_cast<off_t>(text_.size())) != 0) error = errno;
        error = close_checked(fd, error);
        std::string().swap(text_);
        if (error != 0) fail("write", path_, error);
        return;
    }
    }
}

text_pieces pieces_of(const std::string& text)
{
    return [&text, done = std::size_t{0}](char* at, std::size_t room) mutable {
        const std::size_t size = std::min(room, text.size() - done);
        std::memcpy(at, text.data() + done, size);
        done += size;
        return size;
    };
}

std::string whole_text(const text_pieces& text)
{
    std::string whole;
    for (std::size_t size = piece_room; size > 0;) {
        const std::size_t used = whole.size();
        whole.resize(used + piece_room);
        size = text(whole.data() + used, piece_room);
        whole.resize(used + size);
    }
    return whole;
}

void replace(const std::string& path, const std::string& text)
{
    staged_file file(path, text);
    file.send();
    file.commit();
}

folder_lock::folder_lock(const std::string& folder, std::chrono::milliseconds wait, void (*waiting)())
{
    fd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(1);
    bool told = false;
    for (;;) {
        if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
        const int error = errno;
        if (error != EWOULDBLOCK) {
            // No locks on this file system: each file is still whole.
            close(fd_);
            fd_ = -1;
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            close(fd_);
            fd_ = -1;
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%g", static_cast<double>(wait.count()) / 1000);
            throw io_error(folder, error,
                           "cannot write the files: another run has been writing its own in " +
                               (folder == "." ? std::string("this folder") : "\"" + folder + "\"") + " for " +
                               seconds + " s; nothing was changed");
        }
        if (!told && waiting != nullptr) waiting();
        told = true;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

folder_lock::~folder_lock()
{
    if (fd_ >= 0) close(fd_);  // which lets the lock go
}

}  // namespace sin_cos::files
