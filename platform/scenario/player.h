#pragma once

// Plays scenario commands on the simulated desktop with the program in it: sets up the
// world, launches and ends the program, acts as the person at the screen (input, the
// status menu, the settings window), takes snapshots and checks expectations.
//
// Time passes only through `wait`, a drag (which takes its time, as a hand does) and what
// the program's own blocking calls take: after every command the loop runs until nothing
// more is due now, and a wait moves the clock on, the watch looking at the desktop at
// most kStep apart while anything happens. When nothing is due, the clock jumps to the
// next moment something is, so that a wait of hours costs what happens in it. On the
// real clock (standard input) a wait is the caller's business: the player only carries
// commands out, and a drag's events follow on the loop's clock by themselves (the caller
// lets the next command wait for durationOf() the drag).
//
// A command that cannot be carried out (a window of an application that is not running,
// a status-menu item that is not there) fails like an expectation that does not hold, as
// does an expectation that could never hold (a window that no line declares, a window
// above itself): the journal says so with the line, and the scenario goes on, ending
// with status 1.
//
// A termination signal from outside the session interrupts the playing (interrupt), and
// an output of the session that cannot be written halts it: the line under way ends at
// once (a wait where it stands) and no later line runs. A snapshot that cannot be
// written is said with its line and told to the output failure handler.
//
// Expectations of notifications and sounds look at what came since the last one of their
// kind was met: each match moves a mark past what it matched, so that a scenario checks
// the announcements of each step in turn.
//
// Main thread only.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/scenario/script.h"

namespace platform::desktop {
class Desktop;
class Display;
class Window;
}  // namespace platform::desktop

namespace platform::scenario {

class DesktopWatch;
class Journal;
class ProgramHost;

struct PlayerOptions {
    // Where snapshots go (made when the first is taken).
    std::filesystem::path out = ".";
};

class Player {
public:
    static constexpr double kStep = 1.0 / 60;
    // How close a window must stand to where an expectation wants it.
    static constexpr double kPositionTolerance = 1.0;

    Player(desktop::Desktop& world, ProgramHost& host, DesktopWatch& watch, Journal& journal,
           PlayerOptions options = {});

    // Carries out the command of line `line`; false when it failed (reported already).
    bool run(const Command& command, int line);
    // Plays every line; 0 when every command and expectation of it held, 1 otherwise.
    int play(const Script& script);
    // Runs what is due now and has the watch look.
    void settle();
    // Moves the simulated clock on.
    void wait(double seconds);
    // How long a command takes on the clock once begun: a drag's seconds, 0 for others.
    static double durationOf(const Command& command);

    int failures() const { return failures_; }
    // Titles of windows the lines may speak of besides those their `window` lines open:
    // a desktop set up before the first line. An expectation of any other title fails.
    void declareOpenWindows();

    // Where playing stopped for a signal from outside: the signal and the line under way
    // (0 before the first).
    struct Interruption {
        int signal = 0;
        int line = 0;
    };
    void interrupt(int signal);
    const std::optional<Interruption>& interruption() const { return interruption_; }
    // Stops the playing for good, as an interruption does, without a signal.
    void halt() { halted_ = true; }
    bool stopped() const { return halted_ || interruption_.has_value(); }
    void setOutputFailureHandler(std::function<void()> handler) { onOutputFailure_ = std::move(handler); }
    // The program's instances beside the first, by number from 2, for the lines that name
    // one; without them every line is about the first.
    void setInstances(std::function<ProgramHost&(int number)> instances) { instances_ = std::move(instances); }

private:
    struct Outcome {
        bool ok = true;
        std::string message;
        // What failed is an output of the session: it ends there.
        bool output = false;
    };
    static Outcome fine() { return {}; }
    static Outcome failed(std::string message) { return {false, std::move(message)}; }
    // How a message names the instance: "the program" for the first, which lines speak
    // of unless they name another, "instance N of the program" for the others.
    static std::string programCalled(int instance);
    // " of instance N" after what belongs to another instance than the first; nothing for it.
    static std::string ofInstance(int instance);

    // The world (player_world.cpp).
    Outcome screen(const ScreenCommand& command);
    Outcome dock(const DockCommand& command);
    Outcome app(const AppCommand& command);
    Outcome disconnect(const DisconnectCommand& command);
    Outcome space(const SpaceCommand& command);
    Outcome window(const WindowCommand& command);
    Outcome application(const ApplicationCommand& command);
    Outcome close(const CloseCommand& command);
    Outcome permission(const PermissionCommand& command);
    Outcome defaults(const DefaultsCommand& command);
    Outcome locale(const LocaleCommand& command);
    Outcome program(const Command& command);
    Outcome snapshot(const SnapshotCommand& command);
    // The scenario's screens by their numbers (the world's first display when none was
    // set), and the connected one with a number from 1; null when there is none.
    std::vector<uint32_t>& screenNumbers();
    const desktop::Display* screenNumbered(int number);

    // The person's input (player_input.cpp).
    Outcome click(const ClickCommand& command);
    Outcome drag(const DragCommand& command);
    Outcome move(const MoveCommand& command);
    Outcome key(const KeyCommand& command);
    Outcome tap(const TapCommand& command);
    Outcome menu(const MenuCommand& command);
    Outcome choose(const ChooseCommand& command);
    // Chooses an item of the menu the instance shows (`which` names it in a failure).
    Outcome chooseFromMenu(const ProgramHost& program, const std::string& title, const std::string& which);
    Outcome settings(const SettingsCommand& command);
    Outcome openSettings(int instance);
    void holdModifiers(EventFlags flags);

    // Expectations (player_expect.cpp).
    Outcome expectWindow(const ExpectWindowCommand& command);
    // Why an expectation of windows cannot hold whatever the desktop shows: a title that
    // nothing declared (a typo), or a window compared with itself; empty when it can.
    std::string undeclared(const ExpectWindowCommand& command) const;
    Outcome expectAbove(const desktop::Window& window, WindowLook look, const std::string& other);
    Outcome expectNotification(const ExpectNotificationCommand& command);
    Outcome expectSound(const ExpectSoundCommand& command);
    Outcome expectDefaults(const ExpectDefaultsCommand& command);
    Outcome expectExited(const ExpectExitedCommand& command);
    Outcome expectMenu(const ExpectMenuCommand& command);
    Outcome expectSettings(const ExpectSettingsCommand& command);

    Outcome carryOut(const Command& command);
    ProgramHost& instance(int number);
    void report(const Command& command, int line, const Outcome& outcome);

    desktop::Desktop& world_;
    ProgramHost& host_;
    std::function<ProgramHost&(int)> instances_;
    DesktopWatch& watch_;
    Journal& journal_;
    PlayerOptions options_;
    int failures_ = 0;
    // The titles of the windows declared: by `window` lines (a scenario's, all of them
    // before it plays) and by declareOpenWindows.
    std::set<std::string> declared_;
    // The line under way, or the last one run.
    int line_ = 0;
    std::optional<Interruption> interruption_;
    bool halted_ = false;
    std::function<void()> onOutputFailure_;
    // The world's display numbers of the scenario's screens, in the order set (the first
    // replaces the world's default display); empty until a screen is set or asked for.
    std::vector<uint32_t> screens_;
    // Marks past the notifications and sounds expectations have met, counted from the
    // first the watch saw.
    uint64_t notificationMark_ = 0;
    uint64_t soundMark_ = 0;
    // Whether the player outlives what it scheduled on the loop.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Items as a failure lists them: quoted, separators left out; "nothing" for none.
std::string listed(const std::vector<std::string>& items);

// How two values compare in an expectation: numbers by value (an integer equals the
// real with its value), everything else exactly, dictionaries key by key.
bool sameValue(const plist::Value& a, const plist::Value& b);

}  // namespace platform::scenario
