#include "platform/scenario/player.h"

#include <cmath>
#include <iostream>
#include <type_traits>

#include "platform/desktop/desktop.h"
#include "platform/graphics/utf8.h"
#include "platform/runtime/main_loop.h"
#include "platform/scenario/desktop_watch.h"
#include "platform/scenario/journal.h"
#include "platform/scenario/program_host.h"

namespace platform::scenario {

namespace {

template <class T>
constexpr bool isExpectation = std::is_same_v<T, ExpectWindowCommand> || std::is_same_v<T, ExpectNotificationCommand> ||
                               std::is_same_v<T, ExpectSoundCommand> || std::is_same_v<T, ExpectDefaultsCommand> ||
                               std::is_same_v<T, ExpectExitedCommand> || std::is_same_v<T, ExpectMenuCommand> ||
                               std::is_same_v<T, ExpectSettingsCommand>;

bool isExpectationCommand(const Command& command) {
    return std::visit([](const auto& c) { return isExpectation<std::decay_t<decltype(c)>>; }, command);
}

}  // namespace

Player::Player(desktop::Desktop& world, ProgramHost& host, DesktopWatch& watch, Journal& journal,
               PlayerOptions options)
    : world_(world), host_(host), watch_(watch), journal_(journal), options_(std::move(options)) {}

void Player::settle() {
    world_.loop().runUntilIdle();
    watch_.look();
}

void Player::wait(double seconds) {
    MainLoop& loop = world_.loop();
    const double until = loop.now() + (std::isfinite(seconds) && seconds > 0 ? seconds : 0);
    settle();
    double looked = loop.now();
    bool changed = false;
    while (loop.now() < until && !stopped()) {
        // The clock goes to the next moment something falls due, past nothing: at most to
        // the next look once something has run since the last one, else to the wait's end.
        const double start = loop.now();
        const double limit = changed ? std::min(looked + kStep, until) : until;
        loop.runInMode(modes::kDefault, limit - start, [&loop, start] { return loop.now() > start; });
        changed = loop.runUntilIdle() > 0 || changed;
        if ((changed && loop.now() >= looked + kStep) || loop.now() >= until) {
            watch_.look();
            looked = loop.now();
            changed = false;
        }
        // Nothing ran and the clock could not move: `until` lies within rounding of now.
        if (loop.now() <= start && !changed) break;
    }
    settle();
}

bool Player::run(const Command& command, int line) {
    line_ = line;
    const Outcome outcome = carryOut(command);
    if (!std::holds_alternative<WaitCommand>(command)) settle();
    report(command, line, outcome);
    return outcome.ok;
}

int Player::play(const Script& script) {
    const int before = failures_;
    for (const Line& line : script.lines) {
        if (const auto* window = std::get_if<WindowCommand>(&line.command)) declared_.insert(window->title);
    }
    for (const Line& line : script.lines) {
        if (stopped()) break;
        run(line.command, line.number);
    }
    return failures_ == before ? 0 : 1;
}

void Player::interrupt(int signal) {
    if (!interruption_) interruption_ = Interruption{signal, line_};
}

void Player::report(const Command& command, int line, const Outcome& outcome) {
    if (!outcome.ok) {
        ++failures_;
        std::cerr << "line " << line << ": " << printable(outcome.message) << '\n';
    }
    if (isExpectationCommand(command)) {
        plist::Dictionary fields{{"line", line}, {"ok", outcome.ok}};
        if (!outcome.message.empty()) fields.set("message", outcome.message);
        journal_.write(world_.now(), "expect", fields);
    } else if (!outcome.ok) {
        journal_.write(world_.now(), "failed", {{"line", line}, {"message", outcome.message}});
    }
    if (outcome.output && onOutputFailure_) onOutputFailure_();
}

std::string Player::programCalled(int instance) {
    return instance > 1 ? "instance " + std::to_string(instance) + " of the program" : "the program";
}

std::string Player::ofInstance(int instance) {
    return instance > 1 ? " of instance " + std::to_string(instance) : std::string();
}

Player::Outcome Player::carryOut(const Command& command) {
    return std::visit(
        [this, &command](const auto& c) -> Outcome {
            using T = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<T, ScreenCommand>) return screen(c);
            else if constexpr (std::is_same_v<T, DockCommand>) return dock(c);
            else if constexpr (std::is_same_v<T, AppCommand>) return app(c);
            else if constexpr (std::is_same_v<T, DisconnectCommand>) return disconnect(c);
            else if constexpr (std::is_same_v<T, SpaceCommand>) return space(c);
            else if constexpr (std::is_same_v<T, WindowCommand>) return window(c);
            else if constexpr (std::is_same_v<T, ApplicationCommand>) return application(c);
            else if constexpr (std::is_same_v<T, CloseCommand>) return close(c);
            else if constexpr (std::is_same_v<T, PermissionCommand>) return permission(c);
            else if constexpr (std::is_same_v<T, DefaultsCommand>) return defaults(c);
            else if constexpr (std::is_same_v<T, ClickCommand>) return click(c);
            else if constexpr (std::is_same_v<T, DragCommand>) return drag(c);
            else if constexpr (std::is_same_v<T, MoveCommand>) return move(c);
            else if constexpr (std::is_same_v<T, KeyCommand>) return key(c);
            else if constexpr (std::is_same_v<T, TapCommand>) return tap(c);
            else if constexpr (std::is_same_v<T, WaitCommand>) {
                wait(c.seconds);
                return fine();
            }
            else if constexpr (std::is_same_v<T, MenuCommand>) return menu(c);
            else if constexpr (std::is_same_v<T, ChooseCommand>) return choose(c);
            else if constexpr (std::is_same_v<T, SettingsCommand>) return settings(c);
            else if constexpr (std::is_same_v<T, SnapshotCommand>) return snapshot(c);
            else if constexpr (std::is_same_v<T, ExpectWindowCommand>) return expectWindow(c);
            else if constexpr (std::is_same_v<T, ExpectNotificationCommand>) return expectNotification(c);
            else if constexpr (std::is_same_v<T, ExpectSoundCommand>) return expectSound(c);
            else if constexpr (std::is_same_v<T, ExpectDefaultsCommand>) return expectDefaults(c);
            else if constexpr (std::is_same_v<T, ExpectExitedCommand>) return expectExited(c);
            else if constexpr (std::is_same_v<T, ExpectMenuCommand>) return expectMenu(c);
            else if constexpr (std::is_same_v<T, ExpectSettingsCommand>) return expectSettings(c);
            else if constexpr (std::is_same_v<T, LocaleCommand>) return locale(c);
            else return program(command);
        },
        command);
}

Player::Outcome Player::program(const Command& command) {
    const int number = std::visit(
        [](const auto& c) {
            if constexpr (requires { c.instance; }) {
                return c.instance;
            } else {
                return 1;
            }
        },
        command);
    ProgramHost& host = instance(number);
    if (std::holds_alternative<LaunchCommand>(command)) {
        return host.launch() ? fine() : failed(programCalled(number) + " runs already");
    }
    if (!host.isRunning()) return failed(programCalled(number) + " is not running");
    if (std::holds_alternative<QuitCommand>(command)) host.quit();
    if (const auto* s = std::get_if<SignalCommand>(&command)) host.signal(s->signal);
    if (std::holds_alternative<CrashCommand>(command)) host.crash();
    return fine();
}

ProgramHost& Player::instance(int number) { return number > 1 && instances_ ? instances_(number) : host_; }

}  // namespace platform::scenario
