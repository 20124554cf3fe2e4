#pragma once

// The `furlpane-novan` executable in a live session, as a child process: commands go to
// its standard input, the journal it prints is read line by line on a thread of its own
// (so that the child never waits on a full pipe), and its CPU time is read from /proc
// while it runs. Its settings folder is the fresh one the session makes under TMPDIR,
// which is set to a folder of the caller's.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace furlpane::bench {

class LiveSession {
public:
    // Starts the executable with TMPDIR set to `scratch`; its standard error goes to
    // `scratch`/stderr.txt. The journal's lines of `countedEvent` are only counted.
    // None (having said why on stderr) when it cannot be started.
    static std::unique_ptr<LiveSession> start(const std::filesystem::path& executable,
                                              const std::filesystem::path& scratch, const std::string& countedEvent);
    ~LiveSession();
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    // The journal so far: the lines of the counted event are counted, every other line kept.
    struct Journal {
        size_t counted = 0;
        std::vector<std::string> lines;
        bool closed = false;
    };
    // Waits at most `within` for `done` to hold of the journal; whether it did.
    bool waitFor(const std::function<bool(const Journal&)>& done, std::chrono::duration<double> within);

    // The session's settings folder once it has made it (furlpane-novan-XXXXXX).
    std::optional<std::filesystem::path> settingsFolder() const;
    void send(const std::string& lines);
    // User and system time of every thread of the child so far, in seconds.
    double cpuSeconds() const;
    // Ends the input, which ends the session; kills the child when it has not ended
    // within `within`. Its exit status, or -1.
    int finish(std::chrono::duration<double> within);

private:
    LiveSession(pid_t pid, int input, int output, std::filesystem::path scratch, std::string countedEvent);
    void readJournal();

    pid_t pid_;
    int input_;
    int output_;
    std::filesystem::path scratch_;
    std::string countedFragment_;
    std::mutex mutex_;
    std::condition_variable changed_;
    Journal journal_;
    std::thread reader_;
    bool finished_ = false;
    int status_ = -1;
};

}  // namespace furlpane::bench
