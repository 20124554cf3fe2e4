#include "platform/process/process_info.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_once.h"

extern char** environ;

namespace platform {

namespace {

// A value of the process, which a run of the program may override with its own while it
// executes.
template <class T>
class RunOrProcess {
public:
    // Where a value set now goes: the executing run's place, or the process's.
    T& slot() { return ProcessRun::executing() ? run_.get() : process_; }
    // The executing run's value when it has one, else the process's.
    T& value() {
        if (ProcessRun::executing()) {
            if (T& own = run_.get()) return own;
        }
        return process_;
    }

private:
    ProcessLocal<T> run_;
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
    currentInfo().slot() = std::move(info);
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
    if (const auto handler = exitHandlers().value()) {
        handler(status);
        return;
    }
    std::fflush(nullptr);
    std::exit(status);
}

void ProcessInfo::setExitHandler(std::function<void(int)> handler) { exitHandlers().slot() = std::move(handler); }

}  // namespace platform
