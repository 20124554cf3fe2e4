#include "platform/process/process_info.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_run.h"

extern char** environ;

namespace platform {

namespace {

// A value of the process, which a run of the program may override with its own. The
// run's own is attached to the run (process_run.h), so that code of the run asks for it
// and gets it even after the run's end; a run that has one is never answered with the
// process's, which would be some other run's (the host's own exit).
template <class T>
class RunOrProcess {
public:
    // The value of the executing run when it has one of its own, else the process's.
    T& value() {
        if (const auto& run = ProcessRun::executing()) {
            if (auto own = run->attached<T>(this)) return *own;
        }
        return process_;
    }
    // Sets the executing run's own value (none: the run has none of its own any more),
    // or the process's when no run executes.
    void set(T value) {
        if (const auto& run = ProcessRun::executing()) {
            run->attach(this, value ? std::make_shared<T>(std::move(value)) : nullptr);
            return;
        }
        process_ = std::move(value);
    }

private:
    T process_{};
};

RunOrProcess<std::unique_ptr<ProcessInfo>>& currentInfo() {
    static RunOrProcess<std::unique_ptr<ProcessInfo>> info;
    return info;
}

RunOrProcess<std::function<void(int)>>& exitHandlers() {
    static RunOrProcess<std::function<void(int)>> handlers;
    return handlers;
}

ProcessInfo::Environment environmentNow() {
    ProcessInfo::Environment out;
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* eq = std::strchr(*entry, '=');
        if (!eq) continue;
        // The first definition wins, as getenv() finds it.
        out.emplace(std::string(*entry, static_cast<size_t>(eq - *entry)), std::string(eq + 1));
    }
    return out;
}

double monotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

ProcessInfo::ProcessInfo(int32_t pid, Environment environment, std::optional<double> uptimeAtLoopStart)
    : pid_(pid), environment_(std::move(environment)), uptimeAtLoopStart_(uptimeAtLoopStart) {}

std::unique_ptr<ProcessInfo> ProcessInfo::forThisProcess() {
    return std::unique_ptr<ProcessInfo>(new ProcessInfo(::getpid(), environmentNow(), std::nullopt));
}

std::unique_ptr<ProcessInfo> ProcessInfo::make(int32_t processIdentifier, Environment environment,
                                               double uptimeAtLoopStart) {
    return std::unique_ptr<ProcessInfo>(new ProcessInfo(processIdentifier, std::move(environment), uptimeAtLoopStart));
}

ProcessInfo& ProcessInfo::current() {
    auto& info = currentInfo().value();
    if (!info) info = forThisProcess();
    return *info;
}

ProcessInfo& ProcessInfo::setCurrent(std::unique_ptr<ProcessInfo> info) {
    currentInfo().set(std::move(info));
    return current();
}

std::optional<std::string> ProcessInfo::environmentValue(std::string_view name) const {
    auto it = environment_.find(std::string(name));
    if (it == environment_.end()) return std::nullopt;
    return it->second;
}

bool ProcessInfo::hasTestRunnerEnvironment() const {
    for (const char* key : {environment_keys::kTestBundlePath, environment_keys::kTestSessionIdentifier,
                            environment_keys::kTestConfigurationFilePath}) {
        if (environment_.count(key)) return true;
    }
    return false;
}

double ProcessInfo::systemUptime() const {
    const bool loop = MainLoop::exists();
    if (!uptimeAtLoopStart_ && (!loop || !MainLoop::main().isSimulated())) return monotonicSeconds();
    return uptimeAtLoopStart_.value_or(0) + (loop ? MainLoop::main().now() : 0);
}

void ProcessInfo::exit(int status) {
    // A process that has died exits no more: whatever of it still runs (a hand-over's
    // destructor) ends nothing, the host least of all.
    if (const auto& run = ProcessRun::executing(); run && run->hasEnded()) return;
    if (const auto handler = exitHandlers().value()) {
        handler(status);
        return;
    }
    std::fflush(nullptr);
    std::exit(status);
}

void ProcessInfo::setExitHandler(std::function<void(int)> handler) { exitHandlers().set(std::move(handler)); }

}  // namespace platform
