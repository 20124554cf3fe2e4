#include "platform/scenario/session.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <iostream>
#include <memory>
#include <new>
#include <system_error>
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

// The scratch folder of the session under way, for an end that no destructor sees.
const std::filesystem::path* g_scratchFolder = nullptr;

// A fresh folder for the program's defaults under $TMPDIR (else /tmp), gone with the
// session. When none can be made the session does not start: the program's settings
// must never fall back on the user's own file.
class ScratchFolder {
public:
    static Result<std::unique_ptr<ScratchFolder>> make() {
        const char* variable = std::getenv("TMPDIR");
        std::error_code error;
        const std::filesystem::path base =
            std::filesystem::absolute(variable && *variable ? variable : "/tmp", error).lexically_normal();
        std::string pattern = (base / "furlpane-novan-XXXXXX").string();
        if (error || !::mkdtemp(pattern.data())) {
            return Failure{"cannot make a folder for the program's settings in " + base.string() + ": " +
                           (error ? error.message() : std::strerror(errno))};
        }
        return std::unique_ptr<ScratchFolder>(new ScratchFolder(pattern));
    }
    ~ScratchFolder() {
        g_scratchFolder = nullptr;
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    explicit ScratchFolder(std::filesystem::path path) : path_(std::move(path)) { g_scratchFolder = &path_; }
    std::filesystem::path path_;
};

// What the process could not get, when an exception that no one caught ends it: memory
// or a thread, as its limits allow (`ulimit -v`, a cap on the user's processes); none
// for any other exception, which is a fault of the code.
const char* lackOf(const std::exception_ptr& exception) {
    if (!exception) return nullptr;
    try {
        std::rethrow_exception(exception);
    } catch (const std::bad_alloc&) {
        return "memory";
    } catch (const std::system_error& e) {
        if (e.code() == std::errc::resource_unavailable_try_again) return "a thread";
        if (e.code() == std::errc::not_enough_memory) return "memory";
    } catch (...) {
    }
    return nullptr;
}

std::terminate_handler g_outerTerminate = nullptr;

// Memory or a thread that cannot be had ends the session wherever it is found, on
// whichever thread and however deep in the program: nothing can be put right from there,
// so the process says so in one line, removes its scratch folder and ends at once. Any
// other end by terminate is the fault it was and ends as before, the folder removed all
// the same. Nothing here may wait on a reader that has stopped reading.
[[noreturn]] void endForWantOfResources() {
    const char* lack = lackOf(std::current_exception());
    if (g_scratchFolder) {
        try {
            std::error_code error;
            std::filesystem::remove_all(*g_scratchFolder, error);
        } catch (...) {
        }
    }
    if (!lack) {
        if (g_outerTerminate) g_outerTerminate();
        std::abort();
    }
    char line[256];
    const int length = std::snprintf(line, sizeof line,
                                     "furlpane-novan: the process cannot get %s it needs under its limits "
                                     "(ulimit -v, ulimit -u); the session ends here\n",
                                     lack);
    // Said only when standard error takes it at once: an end may not wait on its reader.
    pollfd errors{STDERR_FILENO, POLLOUT, 0};
    if (length > 0 && ::poll(&errors, 1, 0) == 1 && (errors.revents & POLLOUT) != 0) {
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, line, std::min<size_t>(size_t(length), sizeof line));
    }
    ::_exit(kOutOfResourcesStatus);
}

// While the session runs, every end by terminate goes through endForWantOfResources.
class ResourcesEndTheSession {
public:
    ResourcesEndTheSession() { g_outerTerminate = std::set_terminate(endForWantOfResources); }
    ~ResourcesEndTheSession() { std::set_terminate(std::exchange(g_outerTerminate, nullptr)); }
    ResourcesEndTheSession(const ResourcesEndTheSession&) = delete;
    ResourcesEndTheSession& operator=(const ResourcesEndTheSession&) = delete;
};

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
           "  not start, 3 an output could not be written, 4 the process could not get memory\n"
           "  or a thread, 128+N ended by signal N\n";
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
