#include "platform/scenario/interactive.h"

#include <unistd.h>

#include <csignal>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <utility>

#include "platform/runtime/main_loop.h"
#include "platform/runtime/signals.h"
#include "platform/scenario/input_lines.h"

namespace platform::scenario {

namespace {

constexpr double kLookInterval = 1.0 / 30;

class LiveSession {
public:
    LiveSession(Stage& stage, bool withInput)
        : stage_(stage), loop_(stage.world.loop()), input_(STDIN_FILENO), withInput_(withInput) {
        watchInput();
        lookLater();
        stage_.afterEnd = [this](std::optional<int> status, int) { programEnded(status); };
        // On a later turn: the failure may be told from inside the program's own call (a
        // notification it posts), which the instances' quit must not run within.
        stage_.afterOutputFailure = [this] {
            if (!failedStatus_) failedStatus_ = kOutputFailedStatus;
            std::weak_ptr<bool> alive = alive_;
            loop_.postOffMainEvent(0, Handover<void()>::system([this, alive] {
                if (alive.lock()) end();
            }));
        };
        // The session's own watch on the termination signals: every instance that runs
        // takes them as its process's, and the session ends with the last of them.
        signals_ = std::make_unique<SignalWatcher>(loop_, std::initializer_list<int>{SIGTERM, SIGINT, SIGHUP},
                                                   Handover<void(int)>::system([this](int) { signalled(); }));
    }
    ~LiveSession() {
        stage_.afterEnd = nullptr;
        stage_.afterOutputFailure = nullptr;
        unwatchInput();
        *alive_ = false;
    }
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    bool over() const { return over_; }

    int status() const {
        if (failedStatus_) return failedStatus_;
        const bool failed = mistakes_ > 0 || stage_.player.failures() > 0;
        return status_ == 0 && failed ? kFailedStatus : status_;
    }

private:
    void watchInput() {
        if (!withInput_ || watch_ || inputEnded_ || ending_ || signalCame() || input_.full()) return;
        watch_ = loop_.addFdWatch(STDIN_FILENO, Handover<void()>::system([this] { readInput(); }));
    }
    void unwatchInput() {
        if (watch_) loop_.removeFdWatch(std::exchange(watch_, 0));
    }

    void readInput() {
        const InputLines::Read read = input_.read();
        if (read == InputLines::Read::failed) {
            std::cerr << "furlpane-novan: cannot read standard input: " << std::strerror(input_.error()) << '\n';
            if (!failedStatus_) failedStatus_ = kNotStartedStatus;
        }
        if (read != InputLines::Read::some) inputEnded_ = true;
        if (inputEnded_ || input_.full()) unwatchInput();
        runLines();
    }

    void runLines() {
        // A command runs the loop until it is idle, which may read more input: the lines
        // that come meanwhile wait for this loop, after the command's own pause.
        if (running_) return;
        running_ = true;
        while (!waiting_ && !ending_ && !signalCame() && !stage_.hasOutputFailed()) {
            auto line = input_.take();
            if (!line) break;
            run(line->number, line->text);
        }
        running_ = false;
        // The signal ends the session whatever the input holds; its watcher may take it
        // only on the loop's next turn.
        if (signalCame()) return;
        watchInput();
        if (inputEnded_ && !waiting_ && !input_.hasLines()) end();
        endAfterExit();
    }

    void run(int number, const std::string& text) {
        auto command = parseLine(text, number);
        if (!command) {
            const SyntaxError& e = command.error();
            ++mistakes_;
            std::cerr << describe(e) << '\n';
            stage_.journal.write(loop_.now(), "error", {{"line", e.line}, {"column", e.column}, {"message", e.message}});
            return;
        }
        if (!*command) return;
        if (const auto* wait = std::get_if<WaitCommand>(&**command)) return pause(wait->seconds);
        stage_.player.run(**command, number);
        // A drag goes on on the clock: the next line waits for the hand to let go.
        if (const double duration = Player::durationOf(**command); duration > 0) pause(duration);
    }

    // The lines after a wait go on once its time has passed.
    void pause(double seconds) {
        waiting_ = true;
        std::weak_ptr<bool> alive = alive_;
        loop_.postOffMainEvent(seconds, Handover<void()>::system([this, alive] {
            if (!alive.lock()) return;
            waiting_ = false;
            runLines();
        }));
    }

    void lookLater() {
        std::weak_ptr<bool> alive = alive_;
        loop_.postOffMainEvent(kLookInterval, Handover<void()>::system([this, alive] {
            if (!alive.lock()) return;
            stage_.watch.look();
            lookLater();
        }));
    }

    bool anyRuns() const { return !stage_.running().empty(); }

    // The session ends: every instance that runs is quit as the status menu's Quit does,
    // and the session is over once the last has ended.
    void end() {
        if (ending_ || over_) return;
        ending_ = true;
        unwatchInput();
        if (!anyRuns()) return finish();
        for (const auto& instance : stage_.running()) stage_.instance(instance.number).quit();
    }

    void finish() {
        over_ = true;
        loop_.stop();
    }

    // Whether a termination signal has come: taken by the session's watcher, or caught
    // and on its way to it. No line is played after it, not even one that came due
    // before the watcher took it: a line after it could launch an instance that never
    // gets the signal, and the session would never end.
    bool signalCame() const { return interrupted_ || caughtSignalCount() != caughtBefore_; }

    // The instances that run take the signal as their processes', and the session ends
    // with the last of them; one that does not end on it does not keep the session
    // beyond its bound.
    void signalled() {
        if (!interrupted_) {
            interrupted_ = true;
            unwatchInput();
            std::weak_ptr<bool> alive = alive_;
            loop_.postOffMainEvent(kEndAfterSignal, Handover<void()>::system([this, alive] {
                if (alive.lock()) finish();
            }));
        }
        if (!anyRuns()) finish();
    }

    void programEnded(std::optional<int> status) {
        if (status) status_ = *status;
        exited_ = status.has_value();
        if (anyRuns() || over_) return;
        if (ending_ || interrupted_) return finish();
        endAfterExit();
    }

    // Once the program has exited and no instance runs, the lines at hand are played (a
    // `launch` among them starts it again); the session ends when the input has no more
    // at once. After a crash the desktop waits for the next line.
    void endAfterExit() {
        if (over_ || ending_ || !exited_ || anyRuns() || running_ || waiting_) return;
        if (input_.hasLines() || (watch_ && input_.readyNow())) return;
        finish();
    }

    Stage& stage_;
    MainLoop& loop_;
    InputLines input_;
    const bool withInput_;
    int watch_ = 0;
    bool waiting_ = false;
    bool running_ = false;
    // Standard input has ended, or failed; once its last line has run, so does the session.
    bool inputEnded_ = false;
    // The session is ending: every instance has been asked to quit.
    bool ending_ = false;
    // A termination signal came.
    bool interrupted_ = false;
    // The termination signals the handlers had caught as the session began.
    const unsigned caughtBefore_ = caughtSignalCount();
    // The last instance to end exited (rather than crashed).
    bool exited_ = false;
    int status_ = 0;
    // The status the session ends with whatever the program's: its input or an output failed.
    int failedStatus_ = 0;
    int mistakes_ = 0;
    bool over_ = false;
    std::unique_ptr<SignalWatcher> signals_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace

void setUpDefaultDesktop(desktop::Desktop& world) {
    world.application("com.example.Notes")
        .named("Notes")
        .window({.title = "Groceries", .frame = Rect{80, 90, 520, 420}})
        .window({.title = "Ideas", .frame = Rect{660, 140, 560, 460}})
        .add();
    world.application("com.example.Editor")
        .named("Editor")
        .window({.title = "Draft", .frame = Rect{300, 330, 700, 480},
                 .toolbars = {{.frame = Rect{0, 28, 700, 38}}}})
        .add();
}

int runInteractive(Stage& stage, bool withInput) {
    setUpDefaultDesktop(stage.world);
    stage.player.declareOpenWindows();
    LiveSession session(stage, withInput);
    stage.host.launch();
    stage.player.settle();
    // A signal that came with the start may have ended the program already; the loop's
    // run would not see a stop asked for before it began.
    if (!session.over()) stage.world.loop().run();
    return session.status();
}

}  // namespace platform::scenario
