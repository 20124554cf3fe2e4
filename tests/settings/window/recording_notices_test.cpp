// The recording sheet's notices for each kind of combination, in Default Settings and
// for an application with and without a rule of its own.

#include "settings/window/recording_notices.h"

#include <gtest/gtest.h>

#include "settings_test_support.h"

namespace furlpane {
namespace {

using Kind = RecordingNotice::Kind;
using Press = HotkeyListener::Press;
using Refusal = HotkeyListener::Refusal;

constexpr uint16_t kM = 46;
constexpr EventFlags kCommand = modifier::command;
constexpr EventFlags kOptionCommand = modifier::option | modifier::command;

struct NoticeCase {
    const char* name;
    std::optional<std::string> application;
    TriggerSetting commandM;
    std::optional<Press> pressed;
    std::optional<Refusal> refusal;
    std::vector<RecordingNotice> expected;
};

RecordingNotice warning(std::string text) { return {Kind::warning, std::move(text)}; }
RecordingNotice information(std::string text) { return {Kind::information, std::move(text)}; }
Press press(uint16_t keyCode, EventFlags modifiers, std::string label, bool isSystemShortcut = false) {
    return {Hotkey{keyCode, modifiers, std::move(label)}, isSystemShortcut};
}

const std::string kCommandMTakesIt = ", which comes first. For this shortcut to work, switch “Press Command-M” off or "
                                     "set it to Minimize To Dock.";
const std::string kSingleKey = "Applications often use Command with a single key for their own commands. While ";

TEST(RecordingNotices, EachCombinationGetsTheNoticesThatApplyInTheirOrder) {
    const TriggerSetting floatOnTop{WindowAction::floatOnTop, true};
    const TriggerSetting off{WindowAction::floatOnTop, false};
    const TriggerSetting dock{WindowAction::minimizeToDock, true};
    const NoticeCase cases[] = {
        {"nothing yet", std::nullopt, floatOnTop, std::nullopt, std::nullopt, {}},
        {"⌘M taken by Command-M", std::nullopt, floatOnTop, press(kM, kCommand, "M", true), std::nullopt,
         {warning("Command-M is set to “Float On Top” in Default Settings" + kCommandMTakesIt)}},
        {"⌘M with the trigger off", std::nullopt, off, press(kM, kCommand, "M"), std::nullopt,
         {information(kSingleKey + "⌘M is set here, the application in front won’t receive it.")}},
        {"⌘M with the trigger minimizing to the Dock", std::nullopt, dock, press(kM, kCommand, "M"), std::nullopt,
         {information(kSingleKey + "⌘M is set here, the application in front won’t receive it.")}},
        {"⌥⌘M", std::nullopt, floatOnTop, press(kM, kOptionCommand, "M"), std::nullopt,
         {information("Option-Command-M does the same as Command-M to every window of the application now. Setting it "
                      "here means it no longer will.")}},
        {"⌃⌘M", std::nullopt, floatOnTop, press(kM, modifier::control | kCommand, "M"), std::nullopt, {}},
        {"⌘M on a Russian layout, for Editor", "com.example.Editor", floatOnTop, press(kM, kCommand, "Ь"), std::nullopt,
         {warning("Command-M is set to “Float On Top” for Editor" + kCommandMTakesIt)}},
        {"⌥⌘M for Editor", "com.example.Editor", floatOnTop, press(kM, kOptionCommand, "M"), std::nullopt,
         {information("Option-Command-M does the same as Command-M to every window of Editor now. Setting it here "
                      "means it no longer will.")}},
        {"a macOS shortcut, for an application without a rule", "com.example.Gone", floatOnTop,
         press(49, kCommand, "Space", true), std::nullopt,
         {information("macOS uses this combination for one of its own shortcuts. Setting it here means that shortcut "
                      "won’t work while com.example.Gone is in front."),
          information(kSingleKey + "⌘Space is set here, com.example.Gone won’t receive it.")}},
        {"a macOS shortcut in Default Settings", std::nullopt, floatOnTop, press(20, kCommand | modifier::shift, "3", true),
         std::nullopt,
         {information("macOS uses this combination for one of its own shortcuts. Setting it here means that shortcut "
                      "won’t work while an application that uses Default Settings is in front.")}},
        {"⌘F5 is no single key", std::nullopt, floatOnTop, press(96, kCommand, "F5"), std::nullopt, {}},
        {"a refusal for Editor, after an accepted key", "com.example.Editor", floatOnTop, press(96, 0, "F5"),
         Refusal::needsModifier("⇧K"),
         {warning("Add Command, Option, or Control. On its own, ⇧K would stop typing in Editor.")}},
    };
    for (const NoticeCase& c : cases) {
        SCOPED_TRACE(c.name);
        testing::RecordingDefaults defaults;
        ActionRules rules(defaults);
        rules.addApplication("com.example.Editor", "Editor");
        rules.setTriggerSetting(c.application, Trigger::commandM, c.commandM);
        rules.setTriggerSetting(std::nullopt, Trigger::commandM, c.commandM);
        const HotkeyBinding shortcut = HotkeyBinding::newSlot();
        EXPECT_EQ(recordingNotices({rules, shortcut, c.application, c.pressed, c.refusal}), c.expected);
    }
}

}  // namespace
}  // namespace furlpane
