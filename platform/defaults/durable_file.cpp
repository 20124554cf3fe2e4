#include "platform/defaults/durable_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>
#include <thread>

namespace platform::durable {

namespace {

bool sameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::filesystem::path temporaryBeside(const std::filesystem::path& path) {
    static std::atomic<unsigned> counter{0};
    std::string name = path.filename().string();
    name += ".tmp.";
    name += std::to_string(::getpid());
    name += ".";
    name += std::to_string(counter.fetch_add(1));
    return path.parent_path() / name;
}

// Copies a regular file to a new file, for file systems without hard links.
bool copyFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || !writeAll(out, std::string_view(buffer, static_cast<size_t>(n)))) {
            ok = false;
            break;
        }
    }
    ok = ok && ::fsync(out) == 0;
    ::close(in);
    ::close(out);
    if (!ok) ::unlink(to.c_str());
    return ok;
}

// Errors that a further numbered name cannot cure.
bool nameTaken(int error) { return error == EEXIST || error == ENOTEMPTY; }

}  // namespace

FileLock::FileLock(const std::filesystem::path& lockFile, std::chrono::milliseconds wait) {
    using Clock = std::chrono::steady_clock;
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    const Clock::time_point deadline = Clock::now() + wait;
    // flock cannot wait with a time limit: it is tried again after pauses that grow from
    // a millisecond, so a lock held briefly is taken at once.
    std::chrono::microseconds pause{1000};
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        const Clock::time_point now = Clock::now();
        if (errno != EWOULDBLOCK || now >= deadline) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::microseconds{20000});
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool operator==(const FileSignature& a, const FileSignature& b) {
    if (a.exists != b.exists) return false;
    if (!a.exists) return true;
    return a.device == b.device && a.inode == b.inode && a.size == b.size && a.isRegular == b.isRegular &&
           sameTime(a.modified, b.modified) && sameTime(a.changed, b.changed);
}

FileSignature signatureOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        // Something stands there that cannot be looked at (a dangling link, no right to
        // search): it counts as existing, so that it is kept rather than replaced blindly.
        FileSignature s;
        s.exists = errno != ENOENT;
        return s;
    }
    FileSignature s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modified = st.st_mtim;
    s.changed = st.st_ctim;
    s.isRegular = S_ISREG(st.st_mode);
    return s;
}

bool replaceAtomically(const std::filesystem::path& path, std::string_view bytes) {
    const std::filesystem::path temp = temporaryBeside(path);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(path.parent_path());
    return true;
}

void removeStaleTemporaries(const std::filesystem::path& path) {
    const std::string prefix = path.filename().string() + ".tmp.";
    std::error_code ec;
    for (std::filesystem::directory_iterator it(path.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) == 0) ::unlink(it->path().c_str());
    }
}

std::optional<std::filesystem::path> keepAside(const std::filesystem::path& path) {
    struct stat st {};
    const bool regular = ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    for (int n = 1; n < 10000; ++n) {
        std::string name = path.string();
        name += ".kept-";
        name += std::to_string(n);
        const std::filesystem::path kept = name;
        if (regular) {
            if (::link(path.c_str(), kept.c_str()) == 0) return kept;
            if (nameTaken(errno)) continue;
            if (::access(kept.c_str(), F_OK) == 0) continue;
            if (copyFile(path, kept)) return kept;
            return std::nullopt;
        }
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, kept.c_str(), RENAME_NOREPLACE) == 0) return kept;
        if (nameTaken(errno)) continue;
        if (errno == EINVAL && ::access(kept.c_str(), F_OK) != 0 && ::rename(path.c_str(), kept.c_str()) == 0) {
            return kept;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

bool makeFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return true;
    if (!folder.has_parent_path() || folder.parent_path() == folder) return false;
    if (!makeFolder(folder.parent_path())) return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace platform::durable
