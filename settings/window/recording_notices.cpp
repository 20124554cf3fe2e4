#include "settings/window/recording_notices.h"

#include "settings/window/action_picker.h"
#include "settings/window/rules_accessors.h"

namespace furlpane {

namespace {

RecordingNotice warning(std::string text) { return {RecordingNotice::Kind::warning, std::move(text)}; }
RecordingNotice information(std::string text) { return {RecordingNotice::Kind::information, std::move(text)}; }

// The facts about the pressed combination that the Command-M notices turn on.
struct CommandMFacts {
    bool isCommandM = false;
    bool isOptionCommandM = false;
    TriggerSetting trigger;
    // The Command-M trigger would take the combination before the shortcut could.
    bool takesIt = false;
};

CommandMFacts commandMFacts(const RecordingContext& c, const Hotkey& hotkey) {
    CommandMFacts facts;
    const bool mKey = isMKey(hotkey.label, hotkey.keyCode);
    facts.isCommandM = mKey && hotkey.modifiers == modifier::command;
    facts.isOptionCommandM = mKey && hotkey.modifiers == (modifier::option | modifier::command);
    facts.trigger = c.rules.triggerSetting(Trigger::commandM, settingsSet(c.bundleIdentifier));
    facts.takesIt = (facts.isCommandM || facts.isOptionCommandM) && facts.trigger.isEnabled &&
                    facts.trigger.action != WindowAction::minimizeToDock;
    return facts;
}

class NoticeWriter {
public:
    explicit NoticeWriter(const RecordingContext& context) : c_(context) {
        if (c_.bundleIdentifier) name_ = targetApplicationName(c_.rules, *c_.bundleIdentifier);
    }

    std::vector<RecordingNotice> write() {
        refusal();
        if (!c_.pressed) return notices_;
        const Hotkey& hotkey = c_.pressed->hotkey;
        clashes(hotkey);
        const CommandMFacts facts = commandMFacts(c_, hotkey);
        commandM(facts);
        if (c_.pressed->isSystemShortcut && !facts.takesIt) systemShortcut();
        const bool singleKey = hotkey.modifiers == modifier::command && !functionKeyCodes().count(hotkey.keyCode);
        if (singleKey && !facts.takesIt) commandWithSingleKey(hotkey);
        return notices_;
    }

private:
    bool forDefaultSettings() const { return !c_.bundleIdentifier; }

    void refusal() {
        if (!c_.refusal) return;
        if (c_.refusal->reason == HotkeyListener::Refusal::Reason::shiftedFunctionKey) {
            notices_.push_back(warning("A function key can be a shortcut on its own, or with Command, Option, or "
                                       "Control, but not with Shift alone."));
            return;
        }
        const std::string where = forDefaultSettings() ? "every application that uses Default Settings" : name_;
        notices_.push_back(
            warning("Add Command, Option, or Control. On its own, " + c_.refusal->text + " would stop typing in " + where + "."));
    }

    void clashes(const Hotkey& hotkey) {
        const std::vector<HotkeyBinding> clashing = c_.rules.clashingHotkeyBindings(
            hotkey.keyCode, hotkey.modifiers, c_.shortcut.id, settingsSet(c_.bundleIdentifier));
        if (clashing.size() == 1) {
            notices_.push_back(information("Another shortcut, for “" + actionTitle(clashing.front().action) +
                                           "”, has this combination now. Setting it here takes it away from that one."));
        } else if (clashing.size() > 1) {
            notices_.push_back(
                information("Other shortcuts have this combination now. Setting it here takes it away from them."));
        }
    }

    void commandM(const CommandMFacts& facts) {
        if (!facts.takesIt) return;
        if (facts.isCommandM) {
            const std::string where = forDefaultSettings() ? " in Default Settings" : " for " + name_;
            notices_.push_back(warning("Command-M is set to “" + actionTitle(facts.trigger.action) + "”" + where +
                                       ", which comes first. For this shortcut to work, switch “Press Command-M” off "
                                       "or set it to Minimize To Dock."));
            return;
        }
        const std::string windows = forDefaultSettings() ? "the application" : name_;
        notices_.push_back(information("Option-Command-M does the same as Command-M to every window of " + windows +
                                       " now. Setting it here means it no longer will."));
    }

    void systemShortcut() {
        const std::string while_ =
            forDefaultSettings() ? "an application that uses Default Settings is in front" : name_ + " is in front";
        notices_.push_back(information(
            "macOS uses this combination for one of its own shortcuts. Setting it here means that shortcut won’t work "
            "while " + while_ + "."));
    }

    void commandWithSingleKey(const Hotkey& hotkey) {
        const std::string receiver = forDefaultSettings() ? "the application in front" : name_;
        notices_.push_back(information("Applications often use Command with a single key for their own commands. "
                                       "While " + hotkey.displayText() + " is set here, " + receiver +
                                       " won’t receive it."));
    }

    const RecordingContext& c_;
    std::string name_;
    std::vector<RecordingNotice> notices_;
};

}  // namespace

std::string targetApplicationName(const ActionRules& rules, const std::string& bundleIdentifier) {
    const ApplicationRule* rule = rules.ruleForBundleIdentifier(bundleIdentifier);
    return rule ? rule->name : bundleIdentifier;
}

std::vector<RecordingNotice> recordingNotices(const RecordingContext& context) { return NoticeWriter(context).write(); }

}  // namespace furlpane
