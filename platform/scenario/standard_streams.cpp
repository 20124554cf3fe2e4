#include "platform/scenario/standard_streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::scenario {

namespace {

bool g_held = false;
bool g_inputClosed = false;

bool isClosed(int fd) { return ::fcntl(fd, F_GETFD) < 0 && errno == EBADF; }

// Opens /dev/null so that it takes the lowest free number, which is `fd`'s.
void hold(int fd, int mode) {
    const int opened = ::open("/dev/null", mode);
    if (opened >= 0 && opened != fd) {
        ::dup2(opened, fd);
        ::close(opened);
    }
}

}  // namespace

void holdStandardDescriptors() {
    if (g_held) return;
    g_held = true;
    g_inputClosed = isClosed(STDIN_FILENO);
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (isClosed(fd)) hold(fd, fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
    }
}

bool standardInputWasClosed() { return g_inputClosed; }

std::optional<std::string> whyInputIsUnreadable() {
    struct stat status {};
    if (::fstat(STDIN_FILENO, &status) != 0) return std::string("standard input: ") + std::strerror(errno);
    if (S_ISDIR(status.st_mode)) return std::string("standard input is a folder");
    const int flags = ::fcntl(STDIN_FILENO, F_GETFL);
    if (flags < 0) return std::string("standard input: ") + std::strerror(errno);
    if ((flags & O_ACCMODE) == O_WRONLY) return std::string("standard input is open for writing only");
    return std::nullopt;
}

}  // namespace platform::scenario
