#pragma once

// Forked children that stand for another process of the program: they report their
// progress word by word through a pipe and wait for the parent's word to go on, so that
// the parent decides when they die and no assertion depends on timing.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <type_traits>
#include <utility>

namespace furlpane_test {

struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() {
        if (::pipe(fds) != 0) fds[0] = fds[1] = -1;
    }
    ~Pipe() {
        for (int fd : fds)
            if (fd >= 0) ::close(fd);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    bool isOpen() const { return fds[0] >= 0 && fds[1] >= 0; }
    int read() const { return fds[0]; }
    int write() const { return fds[1]; }
    void closeRead() { ::close(std::exchange(fds[0], -1)); }
    void closeWrite() { ::close(std::exchange(fds[1], -1)); }
};

// Writes one word; a child whose parent has gone ends at once.
inline void send(int fd, int value) {
    if (::write(fd, &value, sizeof value) != sizeof value) _exit(5);
}

// The next word on the pipe, or -1 when the other end has gone.
inline int receive(int fd) {
    int value = -1;
    return ::read(fd, &value, sizeof value) == sizeof value ? value : -1;
}

// Records of plain data, whole.
template <class T>
    requires std::is_trivially_copyable_v<T>
void sendRecord(int fd, const T& record) {
    if (::write(fd, &record, sizeof record) != sizeof record) _exit(5);
}

template <class T>
    requires std::is_trivially_copyable_v<T>
std::optional<T> receiveRecord(int fd) {
    T record{};
    auto* bytes = reinterpret_cast<char*>(&record);
    for (size_t got = 0; got < sizeof record;) {
        const ssize_t n = ::read(fd, bytes + got, sizeof record - got);
        if (n <= 0) return std::nullopt;
        got += static_cast<size_t>(n);
    }
    return record;
}

// Waits for the child to end; its wait status.
inline int waitFor(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

// Kills the child at once, as a crash or a forced quit would end it; whether it died of
// the signal.
inline bool killNow(pid_t pid) {
    ::kill(pid, SIGKILL);
    return WIFSIGNALED(waitFor(pid));
}

}  // namespace furlpane_test
