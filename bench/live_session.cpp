#include "bench/live_session.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace furlpane::bench {

namespace fs = std::filesystem;

namespace {

// The environment of this process with TMPDIR replaced.
std::vector<std::string> environmentWith(const fs::path& tmpdir) {
    std::vector<std::string> out;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "TMPDIR=", 7) != 0) out.emplace_back(*entry);
    }
    out.push_back("TMPDIR=" + tmpdir.string());
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (auto& text : texts) out.push_back(text.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace

std::unique_ptr<LiveSession> LiveSession::start(const fs::path& executable, const fs::path& scratch,
                                                const std::string& countedEvent) {
    // A child that ended early must not end the benchmark through a write to its input.
    ::signal(SIGPIPE, SIG_IGN);
    int input[2], output[2];
    if (::pipe2(input, O_CLOEXEC) != 0) return nullptr;
    if (::pipe2(output, O_CLOEXEC) != 0) {
        ::close(input[0]);
        ::close(input[1]);
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    const std::string errors = (scratch / "stderr.txt").string();
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> arguments{executable.string()};
    std::vector<std::string> environment = environmentWith(scratch);
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, executable.c_str(), &actions, nullptr, pointers(arguments).data(),
                                     pointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    if (failed != 0) {
        std::fprintf(stderr, "# cannot start %s: %s\n", executable.c_str(), std::strerror(failed));
        ::close(input[1]);
        ::close(output[0]);
        return nullptr;
    }
    return std::unique_ptr<LiveSession>(new LiveSession(pid, input[1], output[0], scratch, countedEvent));
}

LiveSession::LiveSession(pid_t pid, int input, int output, fs::path scratch, std::string countedEvent)
    : pid_(pid),
      input_(input),
      output_(output),
      scratch_(std::move(scratch)),
      countedFragment_("\"event\":\"" + countedEvent + "\"") {
    reader_ = std::thread([this] { readJournal(); });
}

LiveSession::~LiveSession() {
    finish(std::chrono::seconds(10));
    if (reader_.joinable()) reader_.join();
    ::close(output_);
}

void LiveSession::readJournal() {
    std::string pending;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(output_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        std::lock_guard lock(mutex_);
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] != '\n') {
                pending += buffer[i];
                continue;
            }
            if (pending.find(countedFragment_) != std::string::npos) {
                ++journal_.counted;
            } else {
                journal_.lines.push_back(pending);
            }
            pending.clear();
        }
        changed_.notify_all();
    }
    std::lock_guard lock(mutex_);
    journal_.closed = true;
    changed_.notify_all();
}

bool LiveSession::waitFor(const std::function<bool(const Journal&)>& done, std::chrono::duration<double> within) {
    std::unique_lock lock(mutex_);
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::nanoseconds>(within);
    return changed_.wait_until(lock, until, [&] { return done(journal_); });
}

std::optional<fs::path> LiveSession::settingsFolder() const {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(scratch_, error)) {
        if (entry.path().filename().string().rfind("furlpane-novan-", 0) == 0 && entry.is_directory(error))
            return entry.path();
    }
    return std::nullopt;
}

void LiveSession::send(const std::string& lines) {
    size_t written = 0;
    while (written < lines.size()) {
        const ssize_t n = ::write(input_, lines.data() + written, lines.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        written += size_t(n);
    }
}

double LiveSession::cpuSeconds() const {
    std::ifstream file("/proc/" + std::to_string(pid_) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // The fields after the command's name, which may hold spaces and parentheses itself:
    // state is the third field, user time the 14th and system time the 15th.
    const size_t end = text.rfind(')');
    if (end == std::string::npos) return 0;
    std::istringstream fields(text.substr(end + 2));
    std::string skipped;
    for (int field = 3; field < 14; ++field) fields >> skipped;
    double user = 0, system = 0;
    fields >> user >> system;
    return (user + system) / double(::sysconf(_SC_CLK_TCK));
}

int LiveSession::finish(std::chrono::duration<double> within) {
    if (finished_) return status_;
    finished_ = true;
    ::close(input_);
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::nanoseconds>(within);
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(pid_, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (ended == 0) {
        std::fprintf(stderr, "# the session did not end within %.0f s of its input's end: killed\n", within.count());
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        return status_ = -1;
    }
    return status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace furlpane::bench
