#include "platform/scenario/session.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <utility>

#include "platform/defaults/user_defaults.h"
#include "platform/desktop/desktop.h"
#include "platform/graphics/utf8.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/signals.h"
#include "platform/scenario/desktop_watch.h"
#include "platform/scenario/frame_recorder.h"
#include "platform/scenario/interactive.h"
#include "platform/scenario/journal.h"
#include "platform/scenario/player.h"
#include "platform/scenario/process_limits.h"
#include "platform/scenario/program_host.h"
#include "platform/scenario/stage.h"
#include "platform/scenario/standard_streams.h"
#include "platform/services/bundle.h"

namespace platform::scenario {

namespace {

// As a shell tells a command ended by a signal.
int interruptedStatus(int signal) { return 128 + signal; }

std::string signalName(int signal) {
    const char* abbreviation = ::sigabbrev_np(signal);
    return abbreviation ? std::string("SIG") + abbreviation : "signal " + std::to_string(signal);
}

void say(const std::string& message) { std::cerr << "furlpane-novan: " << printable(message) << '\n'; }

// Says why the session ends before it began, and answers its status.
int endWith(int status, const std::string& why) {
    say(why);
    return status;
}

// While the session runs, a write the process may not make fails as other writes fail
// (the journal, a frame or a picture then ends the session with its status), instead of
// killing the host with its scratch folder and a half-written file left behind: into a
// pipe whose reader has gone (the journal piped into `head -1`), and past the limit on a
// file's size (`ulimit -f`).
class FailedWritesDoNotKill {
public:
    FailedWritesDoNotKill() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        for (size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &ignore, &saved_[i]);
    }
    ~FailedWritesDoNotKill() {
        for (size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &saved_[i], nullptr);
    }
    FailedWritesDoNotKill(const FailedWritesDoNotKill&) = delete;
    FailedWritesDoNotKill& operator=(const FailedWritesDoNotKill&) = delete;

private:
    static constexpr std::array<int, 2> kSignals{SIGPIPE, SIGXFSZ};
    std::array<struct sigaction, kSignals.size()> saved_{};
};

// The program as the simulated machine has it: installed in the Applications folder,
// its resources those of the bundle beside the executable.
void installProgramBundle() {
    const Bundle& built = Bundle::main();
    Bundle::Description description{"/Applications/Furlpane Novan.app", built.infoDictionary(), {}, built.volume()};
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(built.bundlePath() / "Contents" / "Resources", error)) {
        description.resources[entry.path().filename().string()] = entry.path();
    }
    Bundle::setMain(Bundle::describe(std::move(description)));
}

// Why a scenario was not read: it cannot be, or a termination signal came while the
// read waited (a pipe that no one writes to yet), which ends the session.
struct Unread {
    std::string message;
    int signal = 0;
};

// Closes the descriptor on every way out.
class OpenFile {
public:
    explicit OpenFile(const std::filesystem::path& file)
        : fd_(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
    ~OpenFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// The file's text, up to just past what a scenario may hold. Opened without waiting (a
// FIFO's open would wait for a writer), then read as it comes, each wait open to a signal.
Result<std::string, Unread> readScenario(const std::filesystem::path& file) {
    const OpenFile in(file);
    const auto unreadable = [&file] { return Unread{"cannot read " + file.string() + ": " + std::strerror(errno)}; };
    if (in.fd() < 0) return unreadable();
    std::string text;
    char buffer[65536];
    while (text.size() <= kMaxScriptBytes) {
        if (const auto signal = waitUntilReadable(in.fd()))
            return Unread{"stopped by " + signalName(*signal) + " while reading " + file.string(), *signal};
        const ssize_t n = ::read(in.fd(), buffer, sizeof buffer);
        if (n == 0) break;
        if (n > 0) text.append(buffer, static_cast<size_t>(n));
        if (n < 0 && errno != EAGAIN && errno != EINTR) return unreadable();
    }
    return text;
}

// Every instance that still runs is let run out on the clock, a little while at most.
void letInstancesEnd(Stage& stage) {
    MainLoop& loop = stage.world.loop();
    const double until = loop.now() + kEndAfterSignal;
    stage.player.settle();
    while (!stage.running().empty() && loop.now() < until) {
        loop.advance(Player::kStep);
        stage.watch.look();
    }
}

// The program had the signal as its process would and ends on it, every window back.
int stopInterrupted(Stage& stage, const Player::Interruption& interruption) {
    letInstancesEnd(stage);
    const std::string name = signalName(interruption.signal);
    std::cerr << "furlpane-novan: " << name << " came from outside the session"
              << (interruption.line > 0 ? " at line " + std::to_string(interruption.line) : std::string())
              << ": the session ends there, the program with it, and the rest of the scenario is not played\n";
    stage.journal.write(stage.world.now(), "interrupted", {{"signal", name}, {"line", interruption.line}});
    return interruptedStatus(interruption.signal);
}

// An output failed (said already): every instance is quit, as the status menu's Quit
// does, and the session ends once they have.
int stopForOutput(Stage& stage) {
    for (const auto& running : stage.running()) stage.instance(running.number).quit();
    letInstancesEnd(stage);
    return kOutputFailedStatus;
}

// The frames of every transition, when the command line asks for them; a failure to
// keep them ends the session.
Result<std::unique_ptr<FrameRecorder>> recordFrames(const SessionOptions& options, Stage& stage) {
    if (!options.frames) return std::unique_ptr<FrameRecorder>();
    return FrameRecorder::create(*options.frames, [&stage](const std::string& why) { stage.outputFailed(why); });
}

// What either kind of session needs once it may start, made in order: its folder for the
// program's settings, the stage on a loop with the clock, the frames kept. `play` runs
// on it; a part that cannot be made ends the session with its status.
int onStage(ClockKind clock, const SessionOptions& options, MakeDelegate makeDelegate,
            const std::function<int(Stage&)>& play) {
    auto folder = ScratchFolder::make();
    if (!folder) return endWith(kNotStartedStatus, folder.error().message);
    MainLoop loop(clock);
    Stage stage(loop, std::cout, (*folder)->path(), {options.out}, std::move(makeDelegate));
    const auto frames = recordFrames(options, stage);
    if (!frames) return endWith(kOutputFailedStatus, frames.error().message);
    return play(stage);
}

int playOn(Stage& stage, const Script& script) {
    // A signal sent to the host from outside (Ctrl-C, a kill) is the session's end: the
    // program's runs get it too, as their own process's, from the same pipe.
    const SignalWatcher outside(stage.world.loop(), {SIGTERM, SIGINT, SIGHUP},
                                Handover<void(int)>::system([&stage](int signal) { stage.player.interrupt(signal); }));
    stage.player.settle();
    int status = stage.player.play(script);
    if (const auto& interruption = stage.player.interruption()) {
        status = stopInterrupted(stage, *interruption);
    } else if (stage.hasOutputFailed()) {
        status = stopForOutput(stage);
    }
    stage.host.setEndHandler(nullptr);
    stage.journal.write(stage.world.now(), "end", {{"status", status}});
    return status;
}

int playScenario(const SessionOptions& options, MakeDelegate makeDelegate) {
    auto text = readScenario(*options.scenario);
    if (!text) {
        return endWith(text.error().signal ? interruptedStatus(text.error().signal) : kNotStartedStatus,
                       text.error().message);
    }
    auto script = parseScript(*text);
    if (!script) {
        std::cerr << printable(options.scenario->string()) << ": " << describe(script.error()) << '\n';
        Journal(std::cout).write(0, "error", {{"line", script.error().line},
                                              {"column", script.error().column},
                                              {"message", script.error().message}});
        return kNotStartedStatus;
    }
    return onStage(ClockKind::simulated, options, std::move(makeDelegate),
                   [&script](Stage& stage) { return playOn(stage, *script); });
}

int runLive(const SessionOptions& options, MakeDelegate makeDelegate) {
    const bool withInput = !standardInputWasClosed();
    if (const auto why = withInput ? whyInputIsUnreadable() : std::nullopt) return endWith(kNotStartedStatus, *why);
    return onStage(ClockKind::real, options, std::move(makeDelegate),
                   [withInput](Stage& stage) { return runInteractive(stage, withInput); });
}

}  // namespace

Result<SessionOptions> sessionOptions(const std::vector<std::string>& arguments) {
    SessionOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (option != "--scenario" && option != "--out" && option != "--frames")
            return Failure{"unknown option \"" + printable(option) + "\""};
        if (i + 1 >= arguments.size() || arguments[i + 1].empty()) return Failure{option + " needs a path"};
        const std::filesystem::path value = arguments[++i];
        if (option == "--scenario") options.scenario = value;
        if (option == "--out") options.out = value;
        if (option == "--frames") options.frames = value;
    }
    return options;
}

std::string usage() {
    return "usage: furlpane-novan [--scenario FILE [--out DIR]] [--frames DIR] | --help\n"
           "  without a scenario, the simulated desktop runs in real time and takes\n"
           "  scenario commands from standard input; Ctrl-C or the end of the input ends it\n"
           "  the program's settings live in a fresh folder under $TMPDIR for each run\n"
           "  exit status: 0 all held, 1 a line failed or had a mistake, 2 the session could\n"
           "  not start, 3 an output could not be written, 4 the process could not get memory,\n"
           "  a thread or a file descriptor, 128+N ended by signal N\n";
}

int runSession(const SessionOptions& options, MakeDelegate makeDelegate) {
    const FailedWritesDoNotKill writes;
    const ResourcesEndTheSession resources;
    installProgramBundle();
    const int status = options.scenario ? playScenario(options, std::move(makeDelegate))
                                        : runLive(options, std::move(makeDelegate));
    UserDefaults::setStandard(nullptr);
    Bundle::setMain(nullptr);
    return status;
}

}  // namespace platform::scenario
