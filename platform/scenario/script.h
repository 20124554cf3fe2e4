#pragma once

// The scenario language: what a person does at the simulated desktop and what they
// expect to see, one command a line. Scenario files are played by the player
// (player.h); the same commands arrive one by one on standard input in real time.
//
//   screen X,Y WxH [visible X,Y WxH] [scale S]      the first is the main screen; after launch
//                                                    a screen is connected
//   disconnect screen N                              screens count from 1 in the order set
//   space N [screen M]                               shows the Nth Space of a screen (1 by default)
//   dock bottom|left|right [autohide]
//   app BUNDLE "Name" [accessory] [unresponsive SECONDS]
//   window "Title" of BUNDLE at X,Y size WxH [toolbar H] [dialog] [no-minimize] [space N]
//   hide BUNDLE | show BUNDLE | quit BUNDLE          the person hides, shows or quits an application
//   close "Title"                                    the window's application closes it
//   trust accessibility | deny accessibility | grant screen-recording | deny screen-recording
//   defaults KEY VALUE                               a property-list value (plist_literal.h)
//   launch | quit | signal TERM|INT|HUP | crash
//   click X,Y [count N] [cmd] [ctrl] [opt] [shift] | double-click X,Y [mods] | right-click X,Y
//   drag X,Y to X,Y [over SECONDS] [mods] | move X,Y | key MODS+KEY | tap MODIFIER
//   wait SECONDS
//   menu "Item" [mods]                               the status menu
//   choose "Item"                                    an item of the menu the program shows
//   settings open | settings tab NAME | settings click "Label" | settings pick "Label" "Item" | settings close
//   snapshot NAME
//   expect window "Title" normal|shaded|thumbnail|floating|docked|hidden|gone [at X,Y] [size WxH]
//          [above "Other"]
//   expect notification NAME [KEY=VALUE ...] | expect no notification NAME [KEY=VALUE ...]
//   expect sound NAME | expect no sound
//   expect defaults KEY VALUE | expect no defaults KEY | expect exited STATUS
//   expect menu "Item" ...                           the status menu's items, in this order
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
inline constexpr int kMaxScreens = 16;
// How long a drag may take, and how long it takes when the line does not say.
inline constexpr double kMaxDragSeconds = 60;
inline constexpr double kMinDragSeconds = 0.05;
inline constexpr double kDefaultDragSeconds = 0.5;
inline constexpr size_t kMaxMenuItems = 64;

enum class DockEdge { bottom, left, right };

struct ScreenCommand {
    Rect frame;  // top-left
    std::optional<Rect> visible;
    double scale = 2;
};
struct DisconnectCommand {
    int screen = 0;  // from 1, in the order the screens were set
};
struct SpaceCommand {
    int space = 1;
    int screen = 1;
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
enum class ApplicationAction { hide, show, quit };
struct ApplicationCommand {
    ApplicationAction action = ApplicationAction::hide;
    std::string bundle;
};
struct CloseCommand {
    std::string title;
};
enum class Permission { trustAccessibility, denyAccessibility, grantScreenRecording, denyScreenRecording };
struct PermissionCommand {
    Permission permission = Permission::trustAccessibility;
};
// The user's language and region, as "en_US" or "de_DE".
struct LocaleCommand {
    std::string identifier;
};
struct DefaultsCommand {
    std::string key;
    plist::Value value;
};
// The program's instance a command or expectation is about: 1, the first, unless the
// line names another (`instance N`), launched beside it.
inline constexpr int kMaxInstances = 4;
struct LaunchCommand {
    int instance = 1;
};
struct QuitCommand {
    int instance = 1;
};
struct SignalCommand {
    int signal = 0;
    int instance = 1;
};
struct CrashCommand {
    int instance = 1;
};
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
    double seconds = kDefaultDragSeconds;
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
    int instance = 1;
};
struct ChooseCommand {
    std::string item;
    int instance = 1;
};
enum class SettingsAction { open, tab, click, pick, close };
struct SettingsCommand {
    SettingsAction action = SettingsAction::open;
    std::string label;
    std::string item;
    int instance = 1;
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
    std::optional<Size> size;
    // The title of a window that what is seen of this one stands in front of.
    std::optional<std::string> above;
};
struct ExpectNotificationCommand {
    std::string name;
    std::vector<std::pair<std::string, plist::Value>> userInfo;
    // None such may have come.
    bool absent = false;
};
// No name: no sound at all.
struct ExpectSoundCommand {
    std::optional<std::string> name;
};
// No value: the key is not stored.
struct ExpectDefaultsCommand {
    std::string key;
    std::optional<plist::Value> value;
};
struct ExpectMenuCommand {
    std::vector<std::string> items;
    int instance = 1;
};
// The instance's settings window shows a control or a text with this label.
struct ExpectSettingsCommand {
    std::string label;
    int instance = 1;
};
struct ExpectExitedCommand {
    int status = 0;
    int instance = 1;
};

using Command =
    std::variant<ScreenCommand, DisconnectCommand, SpaceCommand, DockCommand, AppCommand, WindowCommand,
                 ApplicationCommand, CloseCommand, PermissionCommand, DefaultsCommand, LaunchCommand, QuitCommand,
                 SignalCommand, CrashCommand, ClickCommand, DragCommand, MoveCommand, KeyCommand, TapCommand,
                 WaitCommand, MenuCommand, ChooseCommand, SettingsCommand, SnapshotCommand, ExpectWindowCommand,
                 ExpectNotificationCommand, ExpectSoundCommand, ExpectDefaultsCommand, ExpectExitedCommand,
                 ExpectMenuCommand, LocaleCommand, ExpectSettingsCommand>;

struct Line {
    int number = 0;
    Command command;
};

struct Script {
    std::vector<Line> lines;
};

// One line (a CR before its end is part of the end, as in a file with CR LF endings);
// nothing for a blank line or a comment.
Result<std::optional<Command>, SyntaxError> parseLine(std::string_view text, int number);
// A whole scenario: every line read.
Result<Script, SyntaxError> parseScript(std::string_view text);

// "line L, column C: message", fit for a terminal (printable).
std::string describe(const SyntaxError& error);

}  // namespace platform::scenario
