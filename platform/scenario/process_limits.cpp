#include "platform/scenario/process_limits.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/scenario/stage.h"

namespace platform::scenario {

namespace {

// The scratch folder of the session under way, for an end that no destructor sees: its
// path, and a descriptor open on it since it was made. Whoever takes the descriptor
// removes the folder.
char g_scratchPath[PATH_MAX];
std::atomic<int> g_scratchFd{-1};

// The program keeps files only in the folder; folders within it are emptied this deep.
constexpr int kFolderDepth = 4;

bool isDotOrDotDot(const char* name) { return name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2])); }

bool removeEntry(int folder, const char* name, int depth);

// Removes what the folder open as `folder` holds, listing it into the stack. A listing
// that removed something is read again from its start, since entries removed while a
// listing is read may hide others from it.
void emptyFolder(int folder, int depth) {
    alignas(dirent64) char listing[2048];
    for (int pass = 0; pass < 8; ++pass) {
        if (::lseek(folder, 0, SEEK_SET) < 0) return;
        bool removed = false;
        for (ssize_t n; (n = ::getdents64(folder, listing, sizeof listing)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* entry = reinterpret_cast<const dirent64*>(listing + at);
                at += entry->d_reclen;
                if (!isDotOrDotDot(entry->d_name)) removed |= removeEntry(folder, entry->d_name, depth);
            }
        }
        if (!removed) return;
    }
}

bool removeEntry(int folder, const char* name, int depth) {
    if (::unlinkat(folder, name, 0) == 0) return true;
    if (errno != EISDIR || depth == 0) return false;
    const int inner = ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (inner >= 0) {
        emptyFolder(inner, depth - 1);
        ::close(inner);
    }
    return ::unlinkat(folder, name, AT_REMOVEDIR) == 0;
}

// Takes no memory and no descriptor the process may not have; safe from any thread.
void removeScratchFolder() {
    const int folder = g_scratchFd.exchange(-1);
    if (folder < 0) return;
    emptyFolder(folder, kFolderDepth);
    ::close(folder);
    ::rmdir(g_scratchPath);
}

Failure folderFailure(const std::filesystem::path& base, int error) {
    return Failure{"cannot make a folder for the program's settings in " + base.string() + ": " +
                   std::strerror(error)};
}

bool isWantOfDescriptors(int error) { return error == EMFILE || error == ENFILE; }

// What the process could not get, and the limit a person would look at first.
struct Lack {
    const char* what;
    const char* limit;
};

// What the exception being handled says the process could not get; none for any other
// exception, which is a fault of the code. Thrown again as it is, which takes no memory.
std::optional<Lack> lackOfCurrentException() {
    if (!std::current_exception()) return std::nullopt;
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return Lack{"memory", "ulimit -v"};
    } catch (const std::system_error& e) {
        if (e.code() == std::errc::resource_unavailable_try_again) return Lack{"a thread", "ulimit -u, ulimit -v"};
        if (e.code() == std::errc::not_enough_memory) return Lack{"memory", "ulimit -v"};
        if (e.code() == std::errc::too_many_files_open || e.code() == std::errc::too_many_files_open_in_system)
            return Lack{"a file descriptor", "ulimit -n"};
    } catch (...) {
    }
    return std::nullopt;
}

std::terminate_handler g_outerTerminate = nullptr;
std::atomic<bool> g_ending{false};
thread_local bool t_ending = false;

// Said only when standard error takes it at once: an end may not wait on its reader.
void sayAtOnce(const Lack& lack) {
    char line[256];
    const int length = std::snprintf(line, sizeof line,
                                     "furlpane-novan: the process cannot get %s it needs under its limits (%s); "
                                     "the session ends here\n",
                                     lack.what, lack.limit);
    pollfd errors{STDERR_FILENO, POLLOUT, 0};
    if (length > 0 && ::poll(&errors, 1, 0) == 1 && (errors.revents & POLLOUT) != 0) {
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, line, std::min<size_t>(size_t(length), sizeof line));
    }
}

}  // namespace

Result<std::unique_ptr<ScratchFolder>> ScratchFolder::make() {
    const char* variable = std::getenv("TMPDIR");
    std::error_code error;
    const std::filesystem::path base =
        std::filesystem::absolute(variable && *variable ? variable : "/tmp", error).lexically_normal();
    std::string pattern = (base / "furlpane-novan-XXXXXX").string();
    if (error) return folderFailure(base, error.value());
    if (pattern.size() >= sizeof g_scratchPath) return folderFailure(base, ENAMETOOLONG);
    if (!::mkdtemp(pattern.data())) return folderFailure(base, errno);
    const int folder = ::open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        const int why = errno;
        ::rmdir(pattern.c_str());
        if (isWantOfDescriptors(why))
            throw std::system_error(why, std::generic_category(), "the folder for the program's settings");
        return folderFailure(base, why);
    }
    // Known to the end for want of resources before anything more is asked of memory.
    std::memcpy(g_scratchPath, pattern.c_str(), pattern.size() + 1);
    g_scratchFd.store(folder);
    return std::unique_ptr<ScratchFolder>(new ScratchFolder(std::move(pattern)));
}

ScratchFolder::ScratchFolder(std::filesystem::path path) : path_(std::move(path)) {}

ScratchFolder::~ScratchFolder() { removeScratchFolder(); }

void endForWantOfResources() {
    // A fault on the way out: nothing more can be said.
    if (std::exchange(t_ending, true)) std::abort();
    if (g_ending.exchange(true)) {
        // Another thread ends the process already, and says why.
        for (;;) ::pause();
    }
    const std::optional<Lack> lack = lackOfCurrentException();
    removeScratchFolder();
    if (!lack) {
        if (g_outerTerminate) g_outerTerminate();
        std::abort();
    }
    sayAtOnce(*lack);
    ::_exit(kOutOfResourcesStatus);
}

ResourcesEndTheSession::ResourcesEndTheSession() { g_outerTerminate = std::set_terminate(endForWantOfResources); }

ResourcesEndTheSession::~ResourcesEndTheSession() { std::set_terminate(std::exchange(g_outerTerminate, nullptr)); }

void requireSpareDescriptors(int count) {
    std::vector<int> spare;
    spare.reserve(size_t(std::max(count, 0)));
    int failure = 0;
    while (int(spare.size()) < count) {
        const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            failure = errno;
            break;
        }
        spare.push_back(fd);
    }
    for (int fd : spare) ::close(fd);
    if (isWantOfDescriptors(failure))
        throw std::system_error(failure, std::generic_category(), "descriptors for the session");
}

}  // namespace platform::scenario
