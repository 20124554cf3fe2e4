#pragma once

// The program's process, as the simulated desktop runs it: launched, quit, signalled,
// crashed and launched again, all in one world.
//
// A launch begins a new run of the program's process (process_run.h): values made once
// per process are made again, the world gives it a process of its own (the one it was
// made with at the first launch, a new one with an identifier of its own after that, or
// beside another run), it gets standard defaults read afresh from the defaults folder
// (so a new run sees the file as the last one left it, and nothing of its memory), and
// its delegate is made and told that launching has finished. Several hosts over one
// world and one defaults folder run the program beside itself.
//
// A run ends in one of three ways:
// - the program exits (ProcessInfo::exit, after a termination signal), with its status;
// - the application terminates (a quit), with status 0;
// - it crashes: nothing of the program runs any more, at once.
// Whichever it is, the end comes on a later turn of the loop, once the program's own
// call has returned (a crash: at once), and does what a process's death does: its run
// ends (process_run.h), so nothing the program handed to the system runs again — work,
// timers, sources, queue jobs, task chains, observers, handlers, taps, monitors,
// completions the world holds — and its objects go, the delegate's and the values it
// made once alike, the application with its windows and status items among them.
// Signals meant for it are dropped. The world (other applications, their windows, the
// Dock) and the files on disk stay as the program left them.
//
// The host executes as the system; where it calls into the program it does so as the
// program's run (asProgram), so that what the program hands over then is the run's.
//
// Main thread only.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace platform {

class ApplicationDelegate;
class ProcessRun;

namespace desktop {
class Desktop;
}

namespace scenario {

class ProgramHost {
public:
    using MakeDelegate = std::function<std::shared_ptr<ApplicationDelegate>()>;
    // How a run ended: an exit status, or none for a crash.
    using EndHandler = std::function<void(std::optional<int> status)>;

    ProgramHost(desktop::Desktop& world, MakeDelegate makeDelegate, std::filesystem::path defaultsFolder);
    // A program still running ends as a crash would, silently.
    ~ProgramHost();
    ProgramHost(const ProgramHost&) = delete;
    ProgramHost& operator=(const ProgramHost&) = delete;

    void setLaunchHandler(std::function<void()> handler) { onLaunch_ = std::move(handler); }
    void setEndHandler(EndHandler handler) { onEnd_ = std::move(handler); }

    // From launch until its end has been carried out.
    bool isRunning() const { return run_ != nullptr; }
    // The run of the program while it runs; null otherwise.
    const std::shared_ptr<ProcessRun>& run() const { return run_; }
    // Its process's identifier while it runs; 0 otherwise.
    int32_t processIdentifier() const;
    // Runs `work` as the running program's code; nothing when it is not running.
    void asProgram(const std::function<void()>& work) const;
    // Runs it: false when it runs already.
    bool launch();
    // The user quits it: the application is asked to terminate. False when not running.
    bool quit();
    // Sends it SIGTERM, SIGINT or SIGHUP, as to its process alone; false when not running.
    bool signal(int signal);
    // It dies at once; false when not running.
    bool crash();

    // How the last run ended: its exit status, none for a crash; nothing before any end.
    const std::optional<std::optional<int>>& lastEnd() const { return lastEnd_; }
    int launchCount() const { return launches_; }
    const std::filesystem::path& defaultsFolder() const { return defaultsFolder_; }

private:
    // The program asked to end with `status` (none: a crash); carried out on a later turn.
    void ending(std::optional<int> status);
    void endRun(std::optional<int> status);
    // Ends the run's process in the world, when it has not ended already.
    void quitProcess();

    desktop::Desktop& world_;
    MakeDelegate makeDelegate_;
    std::filesystem::path defaultsFolder_;
    std::shared_ptr<ProcessRun> run_;
    int32_t pid_ = 0;  // the run's process; 0 when none runs
    std::shared_ptr<ApplicationDelegate> delegate_;
    bool endPending_ = false;
    int launches_ = 0;
    std::optional<std::optional<int>> lastEnd_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::function<void()> onLaunch_;
    EndHandler onEnd_;
};

}  // namespace scenario
}  // namespace platform
