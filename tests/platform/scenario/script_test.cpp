// The scenario language: what each command reads as, and the line and column of every
// kind of mistake, hostile files included.

#include <gtest/gtest.h>

#include <csignal>

#include "platform/events/keyboard_layout.h"
#include "platform/scenario/script.h"

namespace scenario_test {
namespace {

using namespace platform;
using namespace platform::scenario;

Command one(std::string_view text) {
    auto parsed = parseLine(text, 1);
    EXPECT_TRUE(parsed.ok()) << text << ": " << describe(parsed.error());
    if (!parsed || !*parsed) return QuitCommand{};
    return **parsed;
}

template <class T>
T as(std::string_view text) {
    const Command command = one(text);
    EXPECT_TRUE(std::holds_alternative<T>(command)) << text;
    return std::holds_alternative<T>(command) ? std::get<T>(command) : T{};
}

TEST(ScenarioScript, EveryCommandReadsAsWritten) {
    const auto screen = as<ScreenCommand>("screen 1440,0 1920x1080 visible 1440,25 1920x1000 scale 1");
    EXPECT_EQ(screen.frame, (Rect{1440, 0, 1920, 1080}));
    EXPECT_EQ(screen.visible, (Rect{1440, 25, 1920, 1000}));
    EXPECT_EQ(screen.scale, 1);

    const auto app = as<AppCommand>("app com.example.Notes \"Notes \\\"Pro\\\"\" accessory unresponsive 2.5");
    EXPECT_EQ(app.bundle, "com.example.Notes");
    EXPECT_EQ(app.name, "Notes \"Pro\"");
    EXPECT_TRUE(app.accessory);
    EXPECT_EQ(app.unresponsive, 2.5);

    const auto window =
        as<WindowCommand>("window \"Draft # 1\" of com.example.Notes at 100,120 size 640x480 toolbar 38 no-minimize "
                          "space 2  # the second Space");
    EXPECT_EQ(window.title, "Draft # 1");
    EXPECT_EQ(window.frame, (Rect{100, 120, 640, 480}));
    EXPECT_EQ(window.toolbar, 38);
    EXPECT_TRUE(window.noMinimize);
    EXPECT_FALSE(window.dialog);
    EXPECT_EQ(window.space, 2);

    const auto click = as<ClickCommand>("click 300,110 count 3 cmd shift");
    EXPECT_EQ(click.at, (Point{300, 110}));
    EXPECT_EQ(click.count, 3);
    EXPECT_EQ(click.flags, event_flags::command | event_flags::shift);
    EXPECT_EQ(as<ClickCommand>("double-click 5,6 opt").count, 2);
    EXPECT_EQ(as<ClickCommand>("right-click 5,6").button, MouseButton::right);

    const auto key = as<KeyCommand>("key cmd+opt+m");
    EXPECT_EQ(key.keyCode, key_codes::m);
    EXPECT_EQ(key.flags, event_flags::command | event_flags::option);
    EXPECT_EQ(as<KeyCommand>("key f5").keyCode, key_codes::f5);
    EXPECT_EQ(as<TapCommand>("tap ctrl").flag, event_flags::control);
    EXPECT_EQ(as<SignalCommand>("signal HUP").signal, SIGHUP);
    EXPECT_EQ(as<SignalCommand>("signal TERM instance 2").instance, 2);
    EXPECT_EQ(as<LaunchCommand>("launch").instance, 1);
    EXPECT_EQ(as<LaunchCommand>("launch instance 3").instance, 3);
    EXPECT_EQ(as<QuitCommand>("quit instance 2").instance, 2);
    EXPECT_EQ(as<CrashCommand>("crash instance 4").instance, 4);
    EXPECT_EQ(as<DragCommand>("drag 1,2 to -3,4.5").to, (Point{-3, 4.5}));
    EXPECT_EQ(as<DragCommand>("drag 1,2 to -3,4.5").seconds, kDefaultDragSeconds);
    const auto drag = as<DragCommand>("drag 1,2 to 3,4 over 1.5 opt");
    EXPECT_EQ(drag.seconds, 1.5);
    EXPECT_EQ(drag.flags, event_flags::option);
    EXPECT_EQ(as<MenuCommand>("menu \"Restore All Windows\" shift").flags, event_flags::shift);

    const auto pick = as<SettingsCommand>("settings pick \"Title Strips\" \"Roll\"");
    EXPECT_EQ(pick.action, SettingsAction::pick);
    EXPECT_EQ(pick.label, "Title Strips");
    EXPECT_EQ(pick.item, "Roll");
    EXPECT_EQ(as<SettingsCommand>("settings tab Minimize-In-Place").label, "Minimize-In-Place");
    EXPECT_EQ(as<SettingsCommand>("settings close").action, SettingsAction::close);

    EXPECT_EQ(as<DisconnectCommand>("disconnect screen 2").screen, 2);
    const auto space = as<SpaceCommand>("space 3 screen 2");
    EXPECT_EQ(space.space, 3);
    EXPECT_EQ(space.screen, 2);
    EXPECT_EQ(as<SpaceCommand>("space 2").screen, 1);
    const auto hide = as<ApplicationCommand>("hide com.example.Notes");
    EXPECT_EQ(hide.action, ApplicationAction::hide);
    EXPECT_EQ(hide.bundle, "com.example.Notes");
    EXPECT_EQ(as<ApplicationCommand>("show com.example.Notes").action, ApplicationAction::show);
    EXPECT_EQ(as<ApplicationCommand>("quit \"com.example.Notes\"").action, ApplicationAction::quit);
    EXPECT_TRUE(std::holds_alternative<QuitCommand>(one("quit  # the program")));
    EXPECT_EQ(as<CloseCommand>("close \"Draft 2\"").title, "Draft 2");
    EXPECT_EQ(as<ChooseCommand>("choose \"Restore This Window\"").item, "Restore This Window");
}

TEST(ScenarioScript, ExpectationsAndPropertyListValues) {
    const auto window = as<ExpectWindowCommand>("expect window \"Draft\" thumbnail at 1300,700");
    EXPECT_EQ(window.look, WindowLook::thumbnail);
    EXPECT_EQ(window.at, (Point{1300, 700}));

    const auto notification =
        as<ExpectNotificationCommand>("expect notification window-state-changed NewState=1 IsInDock=true");
    ASSERT_EQ(notification.userInfo.size(), 2u);
    EXPECT_EQ(notification.userInfo[0].second, plist::Value(int64_t{1}));
    EXPECT_EQ(notification.userInfo[1].second, plist::Value(true));

    EXPECT_FALSE(as<ExpectSoundCommand>("expect no sound").name.has_value());
    const auto none = as<ExpectNotificationCommand>("expect no notification window-state-changed NewState=7");
    EXPECT_TRUE(none.absent);
    EXPECT_EQ(none.userInfo.size(), 1u);
    EXPECT_FALSE(as<ExpectNotificationCommand>("expect notification n").absent);
    const auto noKey = as<ExpectDefaultsCommand>("expect no defaults DockSettingsToPutBack");
    EXPECT_EQ(noKey.key, "DockSettingsToPutBack");
    EXPECT_FALSE(noKey.value.has_value());
    EXPECT_EQ(as<ExpectMenuCommand>("expect menu \"Draft (Editor)\" \"-\" \"Quit\"").items,
              (std::vector<std::string>{"Draft (Editor)", "-", "Quit"}));
    const auto seen = as<ExpectWindowCommand>("expect window \"Ideas\" floating at 1,2 size 560x460 above \"Draft\"");
    EXPECT_EQ(seen.size, (Size{560, 460}));
    EXPECT_EQ(seen.above, "Draft");
    EXPECT_EQ(as<ExpectWindowCommand>("expect window \"Ideas\" floating above \"Draft\"").at, std::nullopt);
    EXPECT_EQ(as<ExpectExitedCommand>("expect exited 0").status, 0);
    EXPECT_EQ(as<ExpectExitedCommand>("expect exited 3 instance 2").instance, 2);
    EXPECT_EQ(as<ExpectSettingsCommand>("expect settings \"100%\"").instance, 1);
    EXPECT_EQ(as<ExpectSettingsCommand>("expect settings \"General\" instance 3").label, "General");

    const auto defaults = as<DefaultsCommand>("defaults DefaultSettings {\"DoubleClick\": [\"MIP\", true], x: 0.5}");
    const plist::Dictionary* stored = defaults.value.dictionary();
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(*stored->find("DoubleClick"), (plist::Value(plist::Array{"MIP", true})));
    EXPECT_EQ(*stored->find("x"), plist::Value(0.5));
    EXPECT_EQ(as<ExpectDefaultsCommand>("expect defaults MIPWindowOpacity 0.75").value, plist::Value(0.75));
    EXPECT_EQ(as<DefaultsCommand>("defaults Big 9223372036854775807").value,
              plist::Value(int64_t{9223372036854775807}));
}

// What the program shows of itself belongs to an instance: the first unless the line ends
// by naming another.
TEST(ScenarioScript, TheProgramsOwnMenusAndWindowsNameTheirInstance) {
    const auto menu = as<MenuCommand>("menu \"Restore All Windows\" shift instance 2");
    EXPECT_EQ(menu.item, "Restore All Windows");
    EXPECT_NE(menu.flags, 0u);
    EXPECT_EQ(menu.instance, 2);
    EXPECT_EQ(as<MenuCommand>("menu \"Quit\"").instance, 1);
    EXPECT_EQ(as<ChooseCommand>("choose \"Restore This Window\" instance 4").instance, 4);
    EXPECT_EQ(as<SettingsCommand>("settings open instance 2").instance, 2);
    EXPECT_EQ(as<SettingsCommand>("settings close instance 2").action, SettingsAction::close);
    const auto pick = as<SettingsCommand>("settings pick \"Action\" \"Minimize\" instance 3");
    EXPECT_EQ(pick.item, "Minimize");
    EXPECT_EQ(pick.instance, 3);
    EXPECT_EQ(as<SettingsCommand>("settings tab Actions instance 2").label, "Actions");
    const auto expected = as<ExpectMenuCommand>("expect menu \"A\" \"B\" instance 2");
    EXPECT_EQ(expected.items, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(expected.instance, 2);
    EXPECT_EQ(as<LocaleCommand>("locale de_DE").identifier, "de_DE");
}

TEST(ScenarioScript, BlankLinesAndCommentsAreNothing) {
    for (const char* text : {"", "   ", "\t# a comment", "# launch"}) {
        auto parsed = parseLine(text, 4);
        ASSERT_TRUE(parsed.ok()) << text;
        EXPECT_FALSE(parsed->has_value()) << text;
    }
}

struct Mistake {
    const char* text;
    int column;
    const char* says;
};

TEST(ScenarioScript, MistakesNameTheirColumn) {
    const Mistake mistakes[] = {
        {"teleport 1,2", 1, "unknown command"},
        {"  launch now", 10, "unexpected"},
        {"app com.x \"Notes", 11, "never closed"},
        {"app com.x Notes", 11, "in quotes"},
        {"window \"A\" of com.x at 1,2 size 0x5", 33, "empty"},
        {"window \"A\" of com.x at 1,2", 27, "the line ends where size"},
        {"window \"A\" of com.x at 1,2 size 5x5 turbo", 37, "toolbar, dialog"},
        {"click 1e999,3", 7, "X,Y"},
        {"click 200000,3", 7, "beyond any screen"},
        {"click nan,3", 7, "X,Y"},
        {"click 1,2 count 11", 17, "outside"},
        {"click 1,2 count 1.5", 17, "whole"},
        {"wait -1", 6, "outside"},
        {"wait 1e300", 6, "outside"},
        {"wait 0x10", 6, "not a number"},
        {"signal KILL", 8, "TERM, INT or HUP"},
        {"key hyper+m", 5, "unknown modifier"},
        {"key cmd+mm", 9, "unknown key"},
        {"dock top", 6, "bottom, left or right"},
        {"screen 0,0 10x10 scale 9", 24, "outside"},
        {"defaults Key [1, 2", 19, "expected , or ]"},
        {"defaults Key {a 1}", 17, "expected :"},
        {"defaults Key yes", 14, "not a value"},
        {"defaults Key \"a\\q\"", 16, "unknown escape"},
        {"expect window \"A\" melted", 19, "normal, shaded"},
        {"expect notification n =1", 23, "KEY=VALUE"},
        {"expect exited 256", 15, "outside"},
        {"expect exited 0 instance 0", 26, "outside"},
        {"launch instance 5", 17, "outside"},
        {"crash instance", 15, "the line ends where the instance's number"},
        {"snapshot ../../etc/passwd", 10, "snapshot's name"},
        {"settings wave", 10, "open, close, tab, click or pick"},
        {"trust screen-recording", 7, "accessibility"},
        {"\"launch\"", 1, "quote"},
        {"drag 1,2 to 3,4 over 0", 22, "outside"},
        {"drag 1,2 to 3,4 over 61", 22, "outside"},
        {"drag 1,2 to 3,4 cmd over 1", 21, "unexpected"},
        {"disconnect 2", 12, "screen"},
        {"disconnect screen 0", 19, "outside"},
        {"space 17", 7, "outside"},
        {"space 2 screen", 15, "the line ends where the screen's number"},
        {"hide", 5, "the line ends where the bundle identifier"},
        {"quit com.x now", 12, "unexpected"},
        {"close Draft", 7, "in quotes"},
        {"choose", 7, "the line ends where the menu item in quotes"},
        {"expect no", 10, "sound, notification or defaults"},
        {"expect no defaults", 19, "the line ends where the key"},
        {"expect no defaults K 1", 22, "unexpected"},
        {"expect menu", 12, "a menu item in quotes"},
        {"expect menu \"A\" B", 17, "in quotes"},
        {"expect window \"A\" normal size 5", 31, "WxH"},
        {"expect window \"A\" normal above B", 32, "in quotes"},
        {"expect window \"A\" normal above \"B\" at 1,2", 36, "unexpected"},
        {"menu \"Quit\" instance 9", 22, "outside"},
        {"choose \"A\" instance", 20, "the line ends where the instance's number"},
        {"settings open instance two", 24, "the instance's number"},
        {"expect menu \"A\" instance 0", 26, "outside"},
        {"expect settings General", 17, "in quotes"},
        {"locale ../de", 8, "a locale is"},
        {"locale", 7, "the line ends where the locale"},
    };
    for (const Mistake& m : mistakes) {
        auto parsed = parseLine(m.text, 7);
        ASSERT_FALSE(parsed.ok()) << m.text;
        EXPECT_EQ(parsed.error().line, 7) << m.text;
        EXPECT_EQ(parsed.error().column, m.column) << m.text << ": " << parsed.error().message;
        EXPECT_NE(parsed.error().message.find(m.says), std::string::npos) << m.text << ": " << parsed.error().message;
    }
}

TEST(ScenarioScript, HostileFilesGiveAnErrorAndRunNothing) {
    std::string deep = "defaults K ";
    for (int i = 0; i < 100000; ++i) deep += '[';
    const std::string huge(1024 * 1024, 'a');
    std::string nul = "launch";
    nul += '\0';
    const std::pair<std::string, SyntaxError> files[] = {
        {"launch\n" + huge + "\n", {2, 4097, "longer than 4096"}},
        {"launch\n" + deep.substr(0, 4000), {2, 45, "deeper than 32"}},
        {"wait 1\r\n" + nul, {2, 7, "NUL"}},
        {"app com.x \"Unclosed\nlaunch\n", {1, 11, "never closed"}},
    };
    for (const auto& [text, expected] : files) {
        auto script = parseScript(text);
        ASSERT_FALSE(script.ok()) << expected.message;
        EXPECT_EQ(script.error().line, expected.line) << script.error().message;
        EXPECT_EQ(script.error().column, expected.column) << script.error().message;
        EXPECT_NE(script.error().message.find(expected.message), std::string::npos) << script.error().message;
    }
    EXPECT_FALSE(parseScript(std::string(kMaxScriptBytes + 1, '\n')).ok());
}

TEST(ScenarioScript, AMenuExpectationHoldsAtMostSixtyFourItems) {
    std::string line = "expect menu";
    for (size_t i = 0; i < kMaxMenuItems; ++i) line += " \"-\"";
    EXPECT_TRUE(parseLine(line, 1).ok());
    auto parsed = parseLine(line + " \"one more\"", 1);
    ASSERT_FALSE(parsed.ok());
    EXPECT_EQ(parsed.error().column, static_cast<int>(line.size()) + 2);
}

TEST(ScenarioScript, AScriptKeepsTheLineOfEachCommand) {
    auto script = parseScript("# a tour\r\nscreen 0,0 1440x900\n\nlaunch\nwait 0.5 # settle\nscreen 1440,0 800x600\n");
    ASSERT_TRUE(script.ok()) << describe(script.error());
    // A screen after launch is connected then.
    ASSERT_EQ(script->lines.size(), 4u);
    EXPECT_TRUE(std::holds_alternative<ScreenCommand>(script->lines[3].command));
    EXPECT_EQ(script->lines[0].number, 2);
    EXPECT_EQ(script->lines[1].number, 4);
    EXPECT_EQ(script->lines[2].number, 5);
    EXPECT_EQ(std::get<WaitCommand>(script->lines[2].command).seconds, 0.5);
}

}  // namespace
}  // namespace scenario_test
