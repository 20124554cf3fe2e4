#pragma once

// File operations that keep stored data through crashes and between processes. Used by
// the durable defaults; every failure is a return value, never an exception.

#include <sys/types.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string_view>

#include "platform/runtime/result.h"

namespace platform::durable {

// An exclusive advisory lock (flock) on a lock file, held for the object's lifetime.
// Two locks on the same file exclude each other across processes and within one.
class FileLock {
public:
    // Waits at most `wait` for the lock: a holder that is stopped or hung must not
    // freeze the waiter. held() is false when the wait ran out or the lock file cannot
    // be made; failure() then says which, for a log.
    FileLock(const std::filesystem::path& lockFile, std::chrono::milliseconds wait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return fd_ >= 0; }
    const Failure& failure() const { return failure_; }

private:
    int fd_ = -1;
    Failure failure_;
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
// new content. The new file has the permissions of the regular file it replaces, or is
// readable by its owner only. `beforeReplacing`, when given, runs once the new content
// is on the disk, just before it takes the old one's place; its failure abandons the
// write. `path` is replaced as it stands: a caller that means to keep a symbolic link
// passes linkTarget(path).
using Step = std::function<Result<void>()>;
Result<void> replaceAtomically(const std::filesystem::path& path, std::string_view bytes,
                               const Step& beforeReplacing = {});

// The file that writing `path` should replace so that a symbolic link there stays one:
// the regular file at the end of the links, or the missing file a link names in a folder
// that exists. `path` itself when it is no link, or when the links loop or end at
// something else (a folder, a link into a missing folder): writing then replaces the
// link itself, and a caller that must not lose where it led keeps that first.
std::filesystem::path linkTarget(const std::filesystem::path& path);

// Removes temporary files that replaceAtomically left beside `path` when a process died
// mid-write. Call only while holding the lock that every writer of `path` takes.
void removeStaleTemporaries(const std::filesystem::path& path);

// Copies a regular file to a new file, flushed to the disk; false when `to` exists
// already or either cannot be opened, written or read.
bool copyFile(const std::filesystem::path& from, const std::filesystem::path& to);
// Writes `bytes` to a new file, flushed to the disk; false when `to` exists already or
// cannot be made or written.
bool writeNewFile(const std::filesystem::path& to, std::string_view bytes);

// A failed call on `path`, in words for a log: "<what> <path>: <the system's reason>".
Failure systemFailure(std::string_view what, const std::filesystem::path& path, int error);

// Makes the folder and its parents (new ones readable by the owner only).
Result<void> makeFolder(const std::filesystem::path& folder);

}  // namespace platform::durable
