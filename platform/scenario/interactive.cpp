#include "platform/scenario/interactive.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <deque>
#include <iostream>
#include <memory>
#include <string>

#include "platform/runtime/main_loop.h"
#include "platform/runtime/signals.h"

namespace platform::scenario {

namespace {

constexpr double kLookInterval = 1.0 / 30;

class StandardInput {
public:
    explicit StandardInput(Stage& stage) : stage_(stage), loop_(stage.world.loop()) {
        const int flags = ::fcntl(STDIN_FILENO, F_GETFL);
        if (flags >= 0) ::fcntl(STDIN_FILENO, F_SETFL, flags | O_NONBLOCK);
        watch_ = loop_.addFdWatch(STDIN_FILENO, [this] { readAvailable(); });
        lookLater();
        stage_.afterEnd = [this](std::optional<int> status) { programEnded(status); };
    }
    ~StandardInput() {
        stage_.afterEnd = nullptr;
        if (watch_) loop_.removeFdWatch(watch_);
        *alive_ = false;
    }

    int status() const { return status_; }
    // Lines that could not be read.
    int mistakes() const { return mistakes_; }
    // The program ended with a status: the session is over.
    bool over() const { return over_; }

private:
    void readAvailable() {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n == 0) return closed();
            if (n < 0) return;
            for (ssize_t i = 0; i < n; ++i) take(buffer[i]);
            runLines();
        }
    }

    // One byte of the input; a line too long to be a command is dropped up to its end and
    // reported once.
    void take(char c) {
        if (c != '\n') {
            if (pending_.size() <= kMaxLineLength) pending_ += c;
            return;
        }
        lines_.push_back({++number_, std::move(pending_)});
        pending_.clear();
    }

    void closed() {
        loop_.removeFdWatch(watch_);
        watch_ = 0;
        closed_ = true;
        if (!pending_.empty()) take('\n');
        runLines();
    }

    void runLines() {
        // A command runs the loop until it is idle, which may read more input: the lines
        // that come meanwhile wait for this loop, after the command's own pause.
        if (running_) return;
        running_ = true;
        while (!waiting_ && !lines_.empty()) {
            auto [number, text] = std::move(lines_.front());
            lines_.pop_front();
            run(number, text);
        }
        running_ = false;
        if (closed_ && !waiting_ && lines_.empty()) inputEnded();
    }

    // Nobody is left to give commands: the program ends as a quit ends it, and the session
    // with it; without a program running, the session ends at once.
    void inputEnded() {
        if (over_ || ending_) return;
        ending_ = true;
        if (stage_.host.isRunning()) {
            stage_.host.quit();
        } else {
            over_ = true;
            loop_.stop();
        }
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
        loop_.postOffMainEvent(seconds, [this, alive] {
            if (!alive.lock()) return;
            waiting_ = false;
            runLines();
        });
    }

    void lookLater() {
        std::weak_ptr<bool> alive = alive_;
        loop_.postOffMainEvent(kLookInterval, [this, alive] {
            if (!alive.lock()) return;
            stage_.watch.look();
            lookLater();
        });
    }

    void programEnded(std::optional<int> status) {
        if (status) {
            status_ = *status;
            over_ = true;
            loop_.stop();
            return;
        }
        // Nobody else answers the termination signals until the program runs again.
        signals_ = std::make_unique<SignalWatcher>(loop_, std::initializer_list<int>{SIGTERM, SIGINT, SIGHUP},
                                                   [this](int) { loop_.stop(); });
        stage_.host.setLaunchHandler([this] {
            signals_.reset();
            stage_.journal.write(loop_.now(), "launch");
        });
    }

    Stage& stage_;
    MainLoop& loop_;
    int watch_ = 0;
    std::string pending_;
    std::deque<std::pair<int, std::string>> lines_;
    int number_ = 0;
    bool waiting_ = false;
    bool running_ = false;
    // Standard input has ended; once its last line has run, so does the session.
    bool closed_ = false;
    bool ending_ = false;
    int status_ = 0;
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

int runInteractive(Stage& stage) {
    setUpDefaultDesktop(stage.world);
    stage.player.declareOpenWindows();
    StandardInput input(stage);
    stage.host.launch();
    stage.player.settle();
    // A signal that came with the start may have ended the program already; the loop's
    // run would not see a stop asked for before it began.
    if (!input.over()) stage.world.loop().run();
    const bool failed = input.mistakes() > 0 || stage.player.failures() > 0;
    return input.status() == 0 && failed ? 1 : input.status();
}

}  // namespace platform::scenario
