#include "platform/scenario/input_lines.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/scenario/script.h"

namespace platform::scenario {

InputLines::Read InputLines::read() {
    char buffer[kReadSize];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0) {
        append(buffer, static_cast<size_t>(n));
        return Read::some;
    }
    if (n == 0) {
        if (!pending_.empty()) endLine();
        return Read::ended;
    }
    // Interrupted, or a descriptor another left not to wait that has nothing yet.
    if (errno == EINTR || errno == EAGAIN) return Read::some;
    error_ = errno;
    if (!pending_.empty()) endLine();
    return Read::failed;
}

void InputLines::append(const char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (bytes[i] == '\n') {
            endLine();
        } else if (pending_.size() <= kMaxLineLength) {
            pending_ += bytes[i];
        }
    }
}

void InputLines::endLine() {
    lines_.push_back({++number_, std::move(pending_)});
    pending_.clear();
}

bool InputLines::readyNow() const {
    pollfd fd{fd_, POLLIN, 0};
    return ::poll(&fd, 1, 0) > 0 && (fd.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

std::optional<InputLines::Line> InputLines::take() {
    if (lines_.empty()) return std::nullopt;
    Line line = std::move(lines_.front());
    lines_.pop_front();
    return line;
}

}  // namespace platform::scenario
