#include "platform/scenario/standard_streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <iostream>

#include "platform/runtime/signals.h"

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

InterruptibleOutput::InterruptibleOutput(int fd) : fd_(fd), caughtBefore_(caughtSignalCount()) {}

InterruptibleOutput::int_type InterruptibleOutput::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return writeOut(&byte, 1) ? c : traits_type::eof();
}

std::streamsize InterruptibleOutput::xsputn(const char* bytes, std::streamsize count) {
    return count > 0 && writeOut(bytes, static_cast<size_t>(count)) ? count : 0;
}

bool InterruptibleOutput::writeOut(const char* bytes, size_t count) {
    const std::lock_guard lock(mutex_);
    while (count > 0 && !dropped_) {
        if (!waitUntilWritable(fd_, caughtBefore_)) {
            dropped_ = true;
            break;
        }
        // A pipe with room at all takes this much without blocking.
        const ssize_t n = ::write(fd_, bytes, std::min<size_t>(count, PIPE_BUF));
        if (n < 0 && errno != EINTR && errno != EAGAIN) return false;
        if (n <= 0) continue;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

InterruptibleStandardStreams::InterruptibleStandardStreams()
    : out_(STDOUT_FILENO),
      errors_(STDERR_FILENO),
      savedOut_(std::cout.rdbuf(&out_)),
      savedErrors_(std::cerr.rdbuf(&errors_)) {}

InterruptibleStandardStreams::~InterruptibleStandardStreams() {
    std::cout.flush();
    std::cerr.flush();
    std::cout.rdbuf(savedOut_);
    std::cerr.rdbuf(savedErrors_);
}

}  // namespace platform::scenario
