#pragma once

// File operations that keep stored data through crashes and between processes. Used by
// the durable defaults; every failure is a return value, never an exception.

#include <sys/types.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string_view>

namespace platform::durable {

// An exclusive advisory lock (flock) on a lock file, held for the object's lifetime.
// Two locks on the same file exclude each other across processes and within one.
class FileLock {
public:
    // Waits at most `wait` for the lock: a holder that is stopped or hung must not
    // freeze the waiter. held() is false when the wait ran out or the lock file cannot
    // be made.
    FileLock(const std::filesystem::path& lockFile, std::chrono::milliseconds wait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// What identifies one version of a file: every replacement gives a new inode and new
// times, so a changed signature means someone wrote the file.
struct FileSignature {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    bool isRegular = false;
    friend bool operator==(const FileSignature& a, const FileSignature& b);
};
FileSignature signatureOf(const std::filesystem::path& path);

// Writes `bytes` to a temporary file beside `path`, flushes it to the disk, renames it
// over `path` and flushes the folder: at any instant `path` holds either the old or the
// new content. The file is made readable by its owner only. Returns success.
bool replaceAtomically(const std::filesystem::path& path, std::string_view bytes);

// Removes temporary files that replaceAtomically left beside `path` when a process died
// mid-write. Call only while holding the lock that every writer of `path` takes.
void removeStaleTemporaries(const std::filesystem::path& path);

// Keeps what stands at `path` under a free name "<path>.kept-<n>" before it gets
// replaced. A regular file stays at `path` as well (a second link, or a copy where the
// file system has no links), so that a crash before the replacement loses nothing;
// anything else (a folder, a pipe) is moved out of the way. Returns the kept name.
std::optional<std::filesystem::path> keepAside(const std::filesystem::path& path);

// Makes the folder and its parents (new ones readable by the owner only).
bool makeFolder(const std::filesystem::path& folder);

}  // namespace platform::durable
