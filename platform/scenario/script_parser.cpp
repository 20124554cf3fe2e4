#include <csignal>
#include <functional>
#include <map>

#include "platform/events/keyboard_layout.h"
#include "platform/graphics/utf8.h"
#include "platform/scenario/line_cursor.h"
#include "platform/scenario/plist_literal.h"
#include "platform/scenario/script.h"

namespace platform::scenario {

namespace {

using Parsed = Result<Command, SyntaxError>;
using Reader = std::function<Parsed(LineCursor&)>;

struct Modifier {
    const char* name;
    EventFlags flag;
    uint16_t keyCode;
};
constexpr Modifier kModifiers[] = {
    {"cmd", event_flags::command, key_codes::command},  {"command", event_flags::command, key_codes::command},
    {"ctrl", event_flags::control, key_codes::control}, {"control", event_flags::control, key_codes::control},
    {"opt", event_flags::option, key_codes::option},    {"option", event_flags::option, key_codes::option},
    {"alt", event_flags::option, key_codes::option},    {"shift", event_flags::shift, key_codes::shift},
};

const Modifier* modifierNamed(std::string_view name) {
    for (const auto& m : kModifiers) {
        if (name == m.name) return &m;
    }
    return nullptr;
}

// Modifier words until the next word is none.
EventFlags modifierWords(LineCursor& cursor) {
    EventFlags flags = 0;
    while (const Modifier* m = modifierNamed(cursor.peekWord())) {
        flags |= m->flag;
        cursor.word();
    }
    return flags;
}

// Reads the command's own part, then requires the end of the line.
template <class T>
Parsed finish(LineCursor& cursor, Result<T, SyntaxError> read) {
    if (!read) return read.error();
    auto end = cursor.end();
    if (!end) return end.error();
    return Command(std::move(*read));
}

Result<Rect, SyntaxError> rectangle(LineCursor& cursor, std::string_view what) {
    auto origin = cursor.point(what);
    if (!origin) return origin.error();
    auto size = cursor.size(what);
    if (!size) return size.error();
    return Rect{origin->x, origin->y, size->width, size->height};
}

Result<ScreenCommand, SyntaxError> screen(LineCursor& cursor) {
    ScreenCommand out;
    auto frame = rectangle(cursor, "the screen's frame");
    if (!frame) return frame.error();
    out.frame = *frame;
    if (cursor.accept("visible")) {
        auto visible = rectangle(cursor, "the visible frame");
        if (!visible) return visible.error();
        out.visible = *visible;
    }
    if (cursor.accept("scale")) {
        auto scale = cursor.number("the scale", 0.25, kMaxScale);
        if (!scale) return scale.error();
        out.scale = *scale;
    }
    return out;
}

Result<DisconnectCommand, SyntaxError> disconnect(LineCursor& cursor) {
    if (auto screen = cursor.expect("screen", "screen"); !screen) return screen.error();
    auto number = cursor.integer("the screen's number", 1, kMaxScreens);
    if (!number) return number.error();
    return DisconnectCommand{*number};
}

Result<SpaceCommand, SyntaxError> space(LineCursor& cursor) {
    SpaceCommand out;
    auto number = cursor.integer("the Space", 1, kMaxSpace);
    if (!number) return number.error();
    out.space = *number;
    if (cursor.accept("screen")) {
        auto screen = cursor.integer("the screen's number", 1, kMaxScreens);
        if (!screen) return screen.error();
        out.screen = *screen;
    }
    return out;
}

Result<DockCommand, SyntaxError> dock(LineCursor& cursor) {
    static const std::map<std::string_view, DockEdge> edges{
        {"bottom", DockEdge::bottom}, {"left", DockEdge::left}, {"right", DockEdge::right}};
    const auto found = edges.find(cursor.peekWord());
    if (found == edges.end()) return cursor.missing("bottom, left or right");
    cursor.word();
    return DockCommand{found->second, cursor.accept("autohide")};
}

Result<AppCommand, SyntaxError> app(LineCursor& cursor) {
    AppCommand out;
    auto bundle = cursor.text("the bundle identifier");
    if (!bundle) return bundle.error();
    auto name = cursor.quoted("the application's name");
    if (!name) return name.error();
    out.bundle = std::move(*bundle);
    out.name = std::move(*name);
    out.accessory = cursor.accept("accessory");
    if (cursor.accept("unresponsive")) {
        auto seconds = cursor.number("the seconds", 0, kMaxSeconds);
        if (!seconds) return seconds.error();
        out.unresponsive = *seconds;
    }
    return out;
}

Result<void, SyntaxError> windowOption(LineCursor& cursor, WindowCommand& out) {
    if (cursor.accept("dialog")) {
        out.dialog = true;
    } else if (cursor.accept("no-minimize")) {
        out.noMinimize = true;
    } else if (cursor.accept("toolbar")) {
        auto height = cursor.number("the toolbar's height", 1, 1000);
        if (!height) return height.error();
        out.toolbar = *height;
    } else if (cursor.accept("space")) {
        auto space = cursor.integer("the Space", 1, kMaxSpace);
        if (!space) return space.error();
        out.space = *space;
    } else {
        return cursor.missing("toolbar, dialog, no-minimize or space");
    }
    return {};
}

Result<WindowCommand, SyntaxError> window(LineCursor& cursor) {
    WindowCommand out;
    auto title = cursor.quoted("the window's title");
    if (!title) return title.error();
    out.title = std::move(*title);
    if (auto of = cursor.expect("of", "of"); !of) return of.error();
    auto bundle = cursor.text("the bundle identifier");
    if (!bundle) return bundle.error();
    out.bundle = std::move(*bundle);
    if (auto at = cursor.expect("at", "at"); !at) return at.error();
    auto origin = cursor.point("the window's top-left corner");
    if (!origin) return origin.error();
    if (auto size = cursor.expect("size", "size"); !size) return size.error();
    auto size = cursor.size("the window's size");
    if (!size) return size.error();
    out.frame = Rect{origin->x, origin->y, size->width, size->height};
    while (!cursor.atEnd()) {
        if (auto option = windowOption(cursor, out); !option) return option.error();
    }
    return out;
}

Reader application(ApplicationAction action) {
    return [action](LineCursor& cursor) -> Parsed {
        auto bundle = cursor.text("the bundle identifier");
        if (!bundle) return bundle.error();
        return finish(cursor, Result<ApplicationCommand, SyntaxError>(ApplicationCommand{action, std::move(*bundle)}));
    };
}

// `quit` alone quits the program; with a bundle identifier, that application.
// `instance N` at the end of a line about the program; the first instance without it.
Result<int, SyntaxError> instanceNumber(LineCursor& cursor) {
    if (!cursor.accept("instance")) return 1;
    return cursor.integer("the instance's number", 1, kMaxInstances);
}

template <class T>
Reader ofInstance() {
    return [](LineCursor& cursor) -> Parsed {
        auto instance = instanceNumber(cursor);
        if (!instance) return instance.error();
        return finish(cursor, Result<T, SyntaxError>(T{*instance}));
    };
}

Parsed quit(LineCursor& cursor) {
    if (cursor.atEnd() || cursor.peekWord() == "instance") return ofInstance<QuitCommand>()(cursor);
    return application(ApplicationAction::quit)(cursor);
}

Result<CloseCommand, SyntaxError> close(LineCursor& cursor) {
    auto title = cursor.quoted("the window's title");
    if (!title) return title.error();
    return CloseCommand{std::move(*title)};
}

Parsed permission(LineCursor& cursor, std::string_view verb) {
    static const std::map<std::pair<std::string_view, std::string_view>, Permission> kinds{
        {{"trust", "accessibility"}, Permission::trustAccessibility},
        {{"deny", "accessibility"}, Permission::denyAccessibility},
        {{"grant", "screen-recording"}, Permission::grantScreenRecording},
        {{"deny", "screen-recording"}, Permission::denyScreenRecording}};
    const auto found = kinds.find({verb, cursor.peekWord()});
    if (found == kinds.end()) {
        const char* what = verb == "trust" ? "accessibility" : verb == "grant" ? "screen-recording"
                                                                               : "accessibility or screen-recording";
        return cursor.missing(what);
    }
    cursor.word();
    return finish(cursor, Result<PermissionCommand, SyntaxError>(PermissionCommand{found->second}));
}

Result<DefaultsCommand, SyntaxError> defaults(LineCursor& cursor) {
    auto key = cursor.text("the key");
    if (!key) return key.error();
    auto value = readLiteral(cursor);
    if (!value) return value.error();
    return DefaultsCommand{std::move(*key), std::move(*value)};
}

Result<SignalCommand, SyntaxError> signalCommand(LineCursor& cursor) {
    static const std::map<std::string_view, int> signals{{"TERM", SIGTERM}, {"INT", SIGINT}, {"HUP", SIGHUP}};
    const auto found = signals.find(cursor.peekWord());
    if (found == signals.end()) return cursor.missing("TERM, INT or HUP");
    cursor.word();
    auto instance = instanceNumber(cursor);
    if (!instance) return instance.error();
    return SignalCommand{found->second, *instance};
}

Result<ClickCommand, SyntaxError> click(LineCursor& cursor, int count, MouseButton button) {
    ClickCommand out;
    auto at = cursor.point("the point");
    if (!at) return at.error();
    out.at = *at;
    out.count = count;
    out.button = button;
    if (button == MouseButton::left && count == 1 && cursor.accept("count")) {
        auto n = cursor.integer("the count", 1, kMaxClickCount);
        if (!n) return n.error();
        out.count = *n;
    }
    out.flags = modifierWords(cursor);
    return out;
}

Result<DragCommand, SyntaxError> drag(LineCursor& cursor) {
    auto from = cursor.point("the starting point");
    if (!from) return from.error();
    if (auto to = cursor.expect("to", "to"); !to) return to.error();
    auto to = cursor.point("the end point");
    if (!to) return to.error();
    DragCommand out{*from, *to};
    if (cursor.accept("over")) {
        auto seconds = cursor.number("the drag's seconds", kMinDragSeconds, kMaxDragSeconds);
        if (!seconds) return seconds.error();
        out.seconds = *seconds;
    }
    out.flags = modifierWords(cursor);
    return out;
}

Result<MoveCommand, SyntaxError> move(LineCursor& cursor) {
    auto to = cursor.point("the point");
    if (!to) return to.error();
    return MoveCommand{*to};
}

std::optional<uint16_t> keyNamed(std::string_view name) {
    static const std::map<std::string_view, uint16_t> named{
        {"return", key_codes::returnKey}, {"enter", key_codes::enter},      {"tab", key_codes::tab},
        {"space", key_codes::space},      {"delete", key_codes::deleteKey}, {"escape", key_codes::escape},
        {"left", key_codes::leftArrow},   {"right", key_codes::rightArrow}, {"up", key_codes::upArrow},
        {"down", key_codes::downArrow},   {"f1", key_codes::f1},            {"f2", key_codes::f2},
        {"f3", key_codes::f3},            {"f4", key_codes::f4},            {"f5", key_codes::f5},
        {"f6", key_codes::f6},            {"f7", key_codes::f7},            {"f8", key_codes::f8},
        {"f9", key_codes::f9},            {"f10", key_codes::f10},          {"f11", key_codes::f11},
        {"f12", key_codes::f12}};
    if (const auto found = named.find(name); found != named.end()) return found->second;
    if (name.size() != 1) return std::nullopt;
    static const KeyboardLayout layout = KeyboardLayout::usANSI();
    for (uint16_t code = 0; code < 128; ++code) {
        const KeyboardLayout::Key* key = layout.key(code);
        if (key && key->plain == name) return code;
    }
    return std::nullopt;
}

Result<KeyCommand, SyntaxError> key(LineCursor& cursor) {
    cursor.atEnd();
    const size_t start = cursor.position();
    const std::string_view combination = cursor.word();
    if (combination.empty()) return cursor.errorAt(start, "the line ends where a key such as cmd+m was expected");
    KeyCommand out;
    size_t from = 0;
    for (size_t plus = combination.find('+', 1); plus != std::string_view::npos;
         from = plus + 1, plus = combination.find('+', from + 1)) {
        const Modifier* m = modifierNamed(combination.substr(from, plus - from));
        if (!m) return cursor.errorAt(start + from, "unknown modifier in \"" + std::string(combination) + "\"");
        out.flags |= m->flag;
    }
    const auto code = keyNamed(combination.substr(from));
    if (!code) return cursor.errorAt(start + from, "unknown key \"" + std::string(combination.substr(from)) + "\"");
    out.keyCode = *code;
    return out;
}

Result<TapCommand, SyntaxError> tap(LineCursor& cursor) {
    const Modifier* m = modifierNamed(cursor.peekWord());
    if (!m) return cursor.missing("a modifier: cmd, ctrl, opt or shift");
    cursor.word();
    return TapCommand{m->keyCode, m->flag};
}

Result<WaitCommand, SyntaxError> wait(LineCursor& cursor) {
    auto seconds = cursor.number("the seconds", 0, kMaxSeconds);
    if (!seconds) return seconds.error();
    return WaitCommand{*seconds};
}

Result<MenuCommand, SyntaxError> menu(LineCursor& cursor) {
    auto item = cursor.quoted("the menu item");
    if (!item) return item.error();
    const EventFlags flags = modifierWords(cursor);
    auto instance = instanceNumber(cursor);
    if (!instance) return instance.error();
    return MenuCommand{std::move(*item), flags, *instance};
}

Result<ChooseCommand, SyntaxError> choose(LineCursor& cursor) {
    auto item = cursor.quoted("the menu item");
    if (!item) return item.error();
    auto instance = instanceNumber(cursor);
    if (!instance) return instance.error();
    return ChooseCommand{std::move(*item), *instance};
}

// The action and what it acts on; the instance, which may follow, is read by settings().
Result<SettingsCommand, SyntaxError> settingsAction(LineCursor& cursor) {
    SettingsCommand out;
    if (cursor.accept("open")) return out;
    if (cursor.accept("close")) return SettingsCommand{SettingsAction::close, {}, {}};
    if (cursor.accept("tab")) {
        out.action = SettingsAction::tab;
    } else if (cursor.accept("click")) {
        out.action = SettingsAction::click;
    } else if (cursor.accept("pick")) {
        out.action = SettingsAction::pick;
    } else {
        return cursor.missing("open, close, tab, click or pick");
    }
    auto label = out.action == SettingsAction::tab ? cursor.text("the tab") : cursor.quoted("the control's label");
    if (!label) return label.error();
    out.label = std::move(*label);
    if (out.action != SettingsAction::pick) return out;
    auto item = cursor.quoted("the item to pick");
    if (!item) return item.error();
    out.item = std::move(*item);
    return out;
}

Result<SettingsCommand, SyntaxError> settings(LineCursor& cursor) {
    auto out = settingsAction(cursor);
    if (!out) return out.error();
    auto instance = instanceNumber(cursor);
    if (!instance) return instance.error();
    out->instance = *instance;
    return out;
}

Result<SnapshotCommand, SyntaxError> snapshot(LineCursor& cursor) {
    cursor.atEnd();
    const size_t start = cursor.position();
    auto name = cursor.text("the snapshot's name");
    if (!name) return name.error();
    const bool fits = name->size() <= 100 && name->front() != '.' &&
                      name->find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._-") ==
                          std::string::npos;
    if (!fits) return cursor.errorAt(start, "a snapshot's name is up to 100 letters, digits, '.', '_' or '-'");
    return SnapshotCommand{std::move(*name)};
}

Result<ExpectWindowCommand, SyntaxError> expectWindow(LineCursor& cursor) {
    static const std::map<std::string_view, WindowLook> looks{
        {"normal", WindowLook::normal}, {"shaded", WindowLook::shaded},   {"thumbnail", WindowLook::thumbnail},
        {"floating", WindowLook::floating}, {"docked", WindowLook::docked}, {"hidden", WindowLook::hidden},
        {"gone", WindowLook::gone}};
    ExpectWindowCommand out;
    auto title = cursor.quoted("the window's title");
    if (!title) return title.error();
    out.title = std::move(*title);
    const auto found = looks.find(cursor.peekWord());
    if (found == looks.end())
        return cursor.missing("normal, shaded, thumbnail, floating, docked, hidden or gone");
    cursor.word();
    out.look = found->second;
    if (cursor.accept("at")) {
        auto at = cursor.point("the point");
        if (!at) return at.error();
        out.at = *at;
    }
    if (cursor.accept("size")) {
        auto size = cursor.size("the size");
        if (!size) return size.error();
        out.size = *size;
    }
    if (cursor.accept("above")) {
        auto other = cursor.quoted("the other window's title");
        if (!other) return other.error();
        out.above = std::move(*other);
    }
    return out;
}

Result<ExpectNotificationCommand, SyntaxError> expectNotification(LineCursor& cursor, bool absent) {
    ExpectNotificationCommand out;
    out.absent = absent;
    auto name = cursor.text("the notification's name");
    if (!name) return name.error();
    out.name = std::move(*name);
    while (!cursor.atEnd()) {
        const size_t start = cursor.position();
        const std::string_view word = cursor.peekWord();
        const size_t equals = word.find('=');
        if (equals == std::string_view::npos || equals == 0)
            return cursor.errorAt(start, "expected KEY=VALUE, found \"" + std::string(word) + "\"");
        cursor.advance(equals + 1);
        auto value = readLiteral(cursor);
        if (!value) return value.error();
        out.userInfo.emplace_back(std::string(word.substr(0, equals)), std::move(*value));
    }
    return out;
}

Result<ExpectMenuCommand, SyntaxError> expectMenu(LineCursor& cursor) {
    ExpectMenuCommand out;
    do {
        if (out.items.size() == kMaxMenuItems) return cursor.error("more than 64 menu items");
        auto item = cursor.quoted("a menu item");
        if (!item) return item.error();
        out.items.push_back(std::move(*item));
    } while (!cursor.atEnd() && cursor.peekWord() != "instance");
    auto instance = instanceNumber(cursor);
    if (!instance) return instance.error();
    out.instance = *instance;
    return out;
}

Result<ExpectSettingsCommand, SyntaxError> expectSettings(LineCursor& cursor) {
    auto label = cursor.quoted("the label");
    if (!label) return label.error();
    auto instance = instanceNumber(cursor);
    if (!instance) return instance.error();
    return ExpectSettingsCommand{std::move(*label), *instance};
}

// A locale's identifier: letters, digits, '_', '-' and '@', as "de_DE".
Result<LocaleCommand, SyntaxError> locale(LineCursor& cursor) {
    cursor.atEnd();
    const size_t start = cursor.position();
    auto identifier = cursor.text("the locale, as de_DE");
    if (!identifier) return identifier.error();
    const bool fits = identifier->size() <= 64 &&
                      identifier->find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-@") ==
                          std::string::npos;
    if (!fits) return cursor.errorAt(start, "a locale is up to 64 letters, digits, '_', '-' or '@', as de_DE");
    return LocaleCommand{std::move(*identifier)};
}

// What must not be there: `expect no sound`, `expect no notification NAME ...`,
// `expect no defaults KEY`.
Parsed expectNone(LineCursor& cursor) {
    if (cursor.accept("sound")) return finish(cursor, Result<ExpectSoundCommand, SyntaxError>(ExpectSoundCommand{}));
    if (cursor.accept("notification")) return finish(cursor, expectNotification(cursor, true));
    if (cursor.accept("defaults")) {
        auto key = cursor.text("the key");
        if (!key) return key.error();
        return finish(cursor, Result<ExpectDefaultsCommand, SyntaxError>(ExpectDefaultsCommand{std::move(*key), {}}));
    }
    return cursor.missing("sound, notification or defaults");
}

Parsed expect(LineCursor& cursor) {
    if (cursor.accept("window")) return finish(cursor, expectWindow(cursor));
    if (cursor.accept("notification")) return finish(cursor, expectNotification(cursor, false));
    if (cursor.accept("sound")) {
        auto name = cursor.text("the sound's name");
        if (!name) return name.error();
        return finish(cursor, Result<ExpectSoundCommand, SyntaxError>(ExpectSoundCommand{std::move(*name)}));
    }
    if (cursor.accept("no")) return expectNone(cursor);
    if (cursor.accept("defaults")) {
        auto read = defaults(cursor);
        if (!read) return read.error();
        return finish(cursor, Result<ExpectDefaultsCommand, SyntaxError>(
                                  ExpectDefaultsCommand{std::move(read->key), std::move(read->value)}));
    }
    if (cursor.accept("exited")) {
        auto status = cursor.integer("the exit status", 0, 255);
        if (!status) return status.error();
        auto instance = instanceNumber(cursor);
        if (!instance) return instance.error();
        return finish(cursor, Result<ExpectExitedCommand, SyntaxError>(ExpectExitedCommand{*status, *instance}));
    }
    if (cursor.accept("menu")) return finish(cursor, expectMenu(cursor));
    if (cursor.accept("settings")) return finish(cursor, expectSettings(cursor));
    return cursor.missing("window, notification, sound, no, defaults, exited, menu or settings");
}

template <class T>
Reader with(Result<T, SyntaxError> (*read)(LineCursor&)) {
    return [read](LineCursor& cursor) { return finish(cursor, read(cursor)); };
}

const std::map<std::string_view, Reader>& readers() {
    static const std::map<std::string_view, Reader> table{
        {"screen", with(screen)},
        {"disconnect", with(disconnect)},
        {"space", with(space)},
        {"dock", with(dock)},
        {"app", with(app)},
        {"window", with(window)},
        {"hide", application(ApplicationAction::hide)},
        {"show", application(ApplicationAction::show)},
        {"close", with(close)},
        {"trust", [](LineCursor& c) { return permission(c, "trust"); }},
        {"deny", [](LineCursor& c) { return permission(c, "deny"); }},
        {"grant", [](LineCursor& c) { return permission(c, "grant"); }},
        {"defaults", with(defaults)},
        {"locale", with(locale)},
        {"launch", ofInstance<LaunchCommand>()},
        {"quit", quit},
        {"signal", with(signalCommand)},
        {"crash", ofInstance<CrashCommand>()},
        {"click", [](LineCursor& c) { return finish(c, click(c, 1, MouseButton::left)); }},
        {"double-click", [](LineCursor& c) { return finish(c, click(c, 2, MouseButton::left)); }},
        {"right-click", [](LineCursor& c) { return finish(c, click(c, 1, MouseButton::right)); }},
        {"drag", with(drag)},
        {"move", with(move)},
        {"key", with(key)},
        {"tap", with(tap)},
        {"wait", with(wait)},
        {"menu", with(menu)},
        {"choose", with(choose)},
        {"settings", with(settings)},
        {"snapshot", with(snapshot)},
        {"expect", expect},
    };
    return table;
}

Result<void, SyntaxError> checkBytes(std::string_view text, int number) {
    if (text.size() > kMaxLineLength) {
        return SyntaxError{number, static_cast<int>(kMaxLineLength) + 1,
                           "the line is longer than " + std::to_string(kMaxLineLength) + " bytes"};
    }
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos) return SyntaxError{number, static_cast<int>(nul) + 1, "a NUL byte"};
    return {};
}

}  // namespace

Result<std::optional<Command>, SyntaxError> parseLine(std::string_view text, int number) {
    // A file written where lines end in CR LF reads as one written with LF alone.
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (auto bytes = checkBytes(text, number); !bytes) return bytes.error();
    LineCursor cursor(text, number);
    if (cursor.atEnd()) return std::optional<Command>();
    const size_t start = cursor.position();
    const std::string_view verb = cursor.word();
    const auto found = readers().find(verb);
    if (found == readers().end()) {
        if (verb.empty()) return cursor.errorAt(start, "a line begins with a quote instead of a command");
        return cursor.errorAt(start, "unknown command \"" + std::string(verb.substr(0, 40)) + "\"");
    }
    auto command = found->second(cursor);
    if (!command) return command.error();
    return std::optional<Command>(std::move(*command));
}

Result<Script, SyntaxError> parseScript(std::string_view text) {
    if (text.size() > kMaxScriptBytes) return SyntaxError{1, 1, "the scenario is larger than 16 MB"};
    Script script;
    int number = 0;
    for (size_t from = 0; from <= text.size();) {
        size_t to = text.find('\n', from);
        if (to == std::string_view::npos) to = text.size();
        const std::string_view line = text.substr(from, to - from);
        ++number;
        from = to + 1;
        auto command = parseLine(line, number);
        if (!command) return command.error();
        if (!*command) continue;
        script.lines.push_back({number, std::move(**command)});
    }
    return script;
}

const char* describe(WindowLook look) {
    switch (look) {
        case WindowLook::normal: return "normal";
        case WindowLook::shaded: return "shaded";
        case WindowLook::thumbnail: return "thumbnail";
        case WindowLook::floating: return "floating";
        case WindowLook::docked: return "docked";
        case WindowLook::hidden: return "hidden";
        case WindowLook::gone: return "gone";
    }
    return "unknown";
}

std::string describe(const SyntaxError& error) {
    return "line " + std::to_string(error.line) + ", column " + std::to_string(error.column) + ": " +
           printable(error.message);
}

}  // namespace platform::scenario
