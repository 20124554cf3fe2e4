#pragma once

// What the program knows of its own process: its identifier, its environment and how
// long the system has been up.
//
// The system's uptime is read on the main loop's clock, so that under the simulated
// clock it moves exactly as the loop's time does: it is the uptime when the loop's
// time was 0 plus the loop's time (0 for this process's own instance, which has no
// earlier time to go by). With the real clock, this process's uptime is the monotonic
// clock since boot, the clock the loop itself runs on.
//
// One instance is current; tests set one with a chosen identifier and environment. A run
// of the program (process_run.h) may have one of its own, set while it executes: under
// the simulated desktop each run is a process with an identifier of its own.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

namespace environment_keys {
// Set by the system's test runner; while one is set, the program does not offer to
// move itself.
inline constexpr const char* kTestBundlePath = "XCTestBundlePath";
inline constexpr const char* kTestSessionIdentifier = "XCTestSessionIdentifier";
inline constexpr const char* kTestConfigurationFilePath = "XCTestConfigurationFilePath";
}  // namespace environment_keys

class ProcessInfo {
public:
    using Environment = std::map<std::string, std::string>;

    // This process: its pid and a copy of its environment taken now.
    static std::unique_ptr<ProcessInfo> forThisProcess();
    // A process as given. `uptimeAtLoopStart` is the system's uptime when the loop's
    // time was 0.
    static std::unique_ptr<ProcessInfo> make(int32_t processIdentifier, Environment environment,
                                             double uptimeAtLoopStart = 0);

    // The current instance: the executing run's when it has one, else the one set, else
    // this process's, made on first use.
    static ProcessInfo& current();
    // Replaces it, for the executing run when one executes; null goes back to this
    // process's (or, for a run, to the process's at large). Returns the new one.
    static ProcessInfo& setCurrent(std::unique_ptr<ProcessInfo> info);

    int32_t processIdentifier() const { return pid_; }
    const Environment& environment() const { return environment_; }
    std::optional<std::string> environmentValue(std::string_view name) const;
    // One of the three test-runner variables is present (an empty value counts).
    bool hasTestRunnerEnvironment() const;
    // Seconds since the system started, on the main loop's clock.
    double systemUptime() const;

    // Ends the program with `status`. Where a system hosts the program (and may start it
    // again), the exit handler ends the program's run instead and the call returns: the
    // caller does nothing after it. Without a handler the process exits at once.
    static void exit(int status);
    // The hosting system's, for the executing run when one executes (the system that
    // starts a run sets it as that run); none goes back to exiting the process.
    static void setExitHandler(std::function<void(int)> handler);

private:
    ProcessInfo(int32_t pid, Environment environment, std::optional<double> uptimeAtLoopStart);

    int32_t pid_;
    Environment environment_;
    // None for this process, whose uptime comes from the monotonic clock.
    std::optional<double> uptimeAtLoopStart_;
};

}  // namespace platform
