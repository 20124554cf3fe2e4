#pragma once

// The scenario language: what a person does at the simulated desktop and what they
// expect to see, one command a line. Scenario files are played by the player
// (player.h); the same commands arrive one by one on standard input in real time.
//
//   screen X,Y WxH [visible X,Y WxH] [scale S]      before launch; the first is the main screen
//   dock bottom|left|right [autohide]
//   app BUNDLE "Name" [accessory] [unresponsive SECONDS]
//   window "Title" of BUNDLE at X,Y size WxH [toolbar H] [dialog] [no-minimize] [space N]
//   trust accessibility | deny accessibility | grant screen-recording | deny screen-recording
//   defaults KEY VALUE                               a property-list value (plist_literal.h)
//   launch | quit | signal TERM|INT|HUP | crash
//   click X,Y [count N] [cmd] [ctrl] [opt] [shift] | double-click X,Y [mods] | right-click X,Y
//   drag X,Y to X,Y [mods] | move X,Y | key MODS+KEY | tap MODIFIER
//   wait SECONDS
//   menu "Item" [mods]                               the status menu
//   settings open | settings tab NAME | settings click "Label" | settings pick "Label" "Item" | settings close
//   snapshot NAME
//   expect window "Title" normal|shaded|thumbnail|floating|docked|hidden|gone [at X,Y]
//   expect notification NAME [KEY=VALUE ...] | expect sound NAME | expect no sound
//   expect defaults KEY VALUE | expect exited STATUS
//
// `#` outside quotes starts a comment. Points are global top-left coordinates in points.
// Quoted texts take \" and \\ (and \n, \t) as escapes.
//
// Reading never trusts the file: a line longer than kMaxLineLength, a number that is not
// finite or lies outside what a desktop can hold, a missing quote, an unknown word or a
// stray byte gives a SyntaxError with the line and the column (both from 1) where it
// begins, and nothing of the scenario runs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "platform/events/event_record.h"
#include "platform/geometry/geometry.h"
#include "platform/plist/value.h"
#include "platform/runtime/result.h"

namespace platform::scenario {

struct SyntaxError {
    int line = 0;
    int column = 0;
    std::string message;
};

// Limits of what a scenario may say.
inline constexpr size_t kMaxLineLength = 4096;
inline constexpr size_t kMaxScriptBytes = 16 * 1024 * 1024;
inline constexpr double kMaxCoordinate = 100000;
inline constexpr double kMaxScale = 8;
inline constexpr double kMaxSeconds = 86400;
inline constexpr int kMaxClickCount = 10;
inline constexpr int kMaxSpace = 16;

enum class DockEdge { bottom, left, right };

struct ScreenCommand {
    Rect frame;  // top-left
    std::optional<Rect> visible;
    double scale = 2;
};
struct DockCommand {
    DockEdge edge = DockEdge::bottom;
    bool autohide = false;
};
struct AppCommand {
    std::string bundle;
    std::string name;
    bool accessory = false;
    std::optional<double> unresponsive;
};
struct WindowCommand {
    std::string title;
    std::string bundle;
    Rect frame;  // top-left
    std::optional<double> toolbar;
    bool dialog = false;
    bool noMinimize = false;
    std::optional<int> space;
};
enum class Permission { trustAccessibility, denyAccessibility, grantScreenRecording, denyScreenRecording };
struct PermissionCommand {
    Permission permission = Permission::trustAccessibility;
};
struct DefaultsCommand {
    std::string key;
    plist::Value value;
};
struct LaunchCommand {};
struct QuitCommand {};
struct SignalCommand {
    int signal = 0;
};
struct CrashCommand {};
enum class MouseButton { left, right };
struct ClickCommand {
    Point at;
    int count = 1;
    EventFlags flags = 0;
    MouseButton button = MouseButton::left;
};
struct DragCommand {
    Point from;
    Point to;
    EventFlags flags = 0;
};
struct MoveCommand {
    Point to;
};
struct KeyCommand {
    uint16_t keyCode = 0;
    EventFlags flags = 0;
};
struct TapCommand {
    uint16_t keyCode = 0;
    EventFlags flag = 0;
};
struct WaitCommand {
    double seconds = 0;
};
struct MenuCommand {
    std::string item;
    EventFlags flags = 0;
};
enum class SettingsAction { open, tab, click, pick, close };
struct SettingsCommand {
    SettingsAction action = SettingsAction::open;
    std::string label;
    std::string item;
};
struct SnapshotCommand {
    std::string name;
};

// How a window looks to the person at the screen.
enum class WindowLook { normal, shaded, thumbnail, floating, docked, hidden, gone };
const char* describe(WindowLook look);

struct ExpectWindowCommand {
    std::string title;
    WindowLook look = WindowLook::normal;
    std::optional<Point> at;
};
struct ExpectNotificationCommand {
    std::string name;
    std::vector<std::pair<std::string, plist::Value>> userInfo;
};
// No name: no sound at all.
struct ExpectSoundCommand {
    std::optional<std::string> name;
};
struct ExpectDefaultsCommand {
    std::string key;
    plist::Value value;
};
struct ExpectExitedCommand {
    int status = 0;
};

using Command = std::variant<ScreenCommand, DockCommand, AppCommand, WindowCommand, PermissionCommand,
                             DefaultsCommand, LaunchCommand, QuitCommand, SignalCommand, CrashCommand, ClickCommand,
                             DragCommand, MoveCommand, KeyCommand, TapCommand, WaitCommand, MenuCommand,
                             SettingsCommand, SnapshotCommand, ExpectWindowCommand, ExpectNotificationCommand,
                             ExpectSoundCommand, ExpectDefaultsCommand, ExpectExitedCommand>;

struct Line {
    int number = 0;
    Command command;
};

struct Script {
    std::vector<Line> lines;
};

// One line; nothing for a blank line or a comment.
Result<std::optional<Command>, SyntaxError> parseLine(std::string_view text, int number);
// A whole scenario: every line read, and `screen` only before the first `launch`.
Result<Script, SyntaxError> parseScript(std::string_view text);

// "line L, column C: message".
std::string describe(const SyntaxError& error);

}  // namespace platform::scenario
