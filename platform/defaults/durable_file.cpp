#include "platform/defaults/durable_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
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

// The permission bits of the regular file at `path`, none for anything else; always with
// the owner's right to read, without which the file's next reader would find it
// unreadable and keep it aside at every write.
std::optional<mode_t> permissionsOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return (st.st_mode & 07777) | S_IRUSR;
}

// A file's content in the temporary file, on the disk, with the permissions it is to have.
Result<void> writeTemporary(int fd, const std::filesystem::path& temp, std::string_view bytes,
                            std::optional<mode_t> permissions) {
    const bool written = writeAll(fd, bytes) && (!permissions || ::fchmod(fd, *permissions) == 0) && ::fsync(fd) == 0;
    const int error = errno;
    if (::close(fd) != 0 || !written) return systemFailure("cannot write", temp, written ? errno : error);
    return {};
}

constexpr int kMaxLinks = 40;  // as the kernel follows them

}  // namespace

Failure systemFailure(std::string_view what, const std::filesystem::path& path, int error) {
    std::string text(what);
    text += ' ';
    text += path.string();
    text += ": ";
    text += std::strerror(error);
    return Failure{std::move(text)};
}

namespace {

int createNew(const std::filesystem::path& to) { return ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); }

// Flushes and closes a file made by createNew; one that could not be filled goes again.
bool finishNew(int out, const std::filesystem::path& to, bool filled) {
    const bool ok = filled && ::fsync(out) == 0;
    ::close(out);
    if (!ok) ::unlink(to.c_str());
    return ok;
}

}  // namespace

bool copyFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) return false;
    const int out = createNew(to);
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
    ::close(in);
    return finishNew(out, to, ok);
}

bool writeNewFile(const std::filesystem::path& to, std::string_view bytes) {
    const int out = createNew(to);
    return out >= 0 && finishNew(out, to, writeAll(out, bytes));
}

FileLock::FileLock(const std::filesystem::path& lockFile, std::chrono::milliseconds wait) {
    using Clock = std::chrono::steady_clock;
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        failure_ = systemFailure("cannot open the lock file", lockFile, errno);
        return;
    }
    const Clock::time_point deadline = Clock::now() + wait;
    // flock cannot wait with a time limit: it is tried again after pauses that grow from
    // a millisecond, so a lock held briefly is taken at once.
    std::chrono::microseconds pause{1000};
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        const Clock::time_point now = Clock::now();
        if (errno != EWOULDBLOCK || now >= deadline) {
            failure_ = errno == EWOULDBLOCK ? Failure{"another process holds the lock " + lockFile.string()}
                                            : systemFailure("cannot lock", lockFile, errno);
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
        // Something stands there that cannot be looked at (a link loop, no right to
        // search): it counts as existing, so that it is kept rather than replaced blindly.
        // A link to nothing counts as no file; a write keeps where it led all the same.
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

Result<void> replaceAtomically(const std::filesystem::path& path, std::string_view bytes,
                               const Step& beforeReplacing) {
    const std::filesystem::path temp = temporaryBeside(path);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return systemFailure("cannot make", temp, errno);
    Result<void> done = writeTemporary(fd, temp, bytes, permissionsOf(path));
    if (done && beforeReplacing) done = beforeReplacing();
    if (done && ::rename(temp.c_str(), path.c_str()) != 0) done = systemFailure("cannot replace", path, errno);
    if (!done) {
        ::unlink(temp.c_str());
        return done;
    }
    syncFolder(path.parent_path());
    return {};
}

std::filesystem::path linkTarget(const std::filesystem::path& path) {
    std::filesystem::path at = path;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0) {
            // The file a link names need not exist yet, but its folder must.
            std::error_code ec;
            const bool folder = errno == ENOENT && std::filesystem::is_directory(at.parent_path(), ec);
            return hops > 0 && folder ? at : path;
        }
        if (S_ISREG(st.st_mode)) return at;
        if (!S_ISLNK(st.st_mode)) return path;
        std::error_code ec;
        const std::filesystem::path next = std::filesystem::read_symlink(at, ec);
        if (ec) return path;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    return path;
}

void removeStaleTemporaries(const std::filesystem::path& path) {
    const std::string prefix = path.filename().string() + ".tmp.";
    std::error_code ec;
    for (std::filesystem::directory_iterator it(path.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) == 0) ::unlink(it->path().c_str());
    }
}

Result<void> makeFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return {};
    if (!folder.has_parent_path() || folder.parent_path() == folder) {
        return Failure{"cannot make the folder " + folder.string()};
    }
    if (auto parent = makeFolder(folder.parent_path()); !parent) return parent;
    if (::mkdir(folder.c_str(), 0700) == 0 || (errno == EEXIST && std::filesystem::is_directory(folder, ec))) {
        return {};
    }
    return systemFailure("cannot make the folder", folder, errno);
}

}  // namespace platform::durable
