#pragma once

// The sheet in which the user records the combination of one shortcut slot.
//
// While the sheet is the key window of the active program, its own shortcut listener
// records key presses and the system's shortcuts are paused. The sheet shows the
// combination as it is typed (the held modifiers alone while a new one is being built),
// the slot's current combination, and notices on what setting the pressed one would mean
// (recording_notices.h). "Set Shortcut" (Return) stores the last accepted combination
// into the slot, taking it away from every other slot of the same settings; "Cancel"
// (Escape) stores nothing. However the sheet goes, listening stops and the system's
// shortcuts come back. Nothing is stored before "Set Shortcut".

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/view.h"
#include "settings/model/action_rules.h"
#include "triggers/hotkey_listener.h"

namespace furlpane {

class HotkeyRecorderSheet {
public:
    static constexpr double kWidth = 400;
    static constexpr const char* kFieldLabel = "Shortcut";
    static constexpr const char* kPlaceholder = "Press keys…";
    static constexpr const char* kPausedNote = "Other keyboard shortcuts are paused while this window is open.";

    // `shortcut` is the slot as it stood when the sheet was presented; no identifier:
    // Default Settings.
    HotkeyRecorderSheet(std::shared_ptr<ActionRules> rules, HotkeyBinding shortcut,
                        std::optional<std::string> bundleIdentifier)
        : rules_(std::move(rules)), shortcut_(std::move(shortcut)), bundleIdentifier_(std::move(bundleIdentifier)) {}
    platform::ui::View body() const;

    // The field's text: the held modifiers alone while they are not those of the pressed
    // combination, else the pressed combination, else the placeholder.
    static std::string fieldText(EventFlags held, const std::optional<HotkeyListener::Press>& pressed);
    // Nothing pressed and no modifier held.
    static bool isFieldPlaceholder(EventFlags held, const std::optional<HotkeyListener::Press>& pressed);
    // A combination was accepted and it is not the slot's own already.
    bool canSetShortcut(const std::optional<HotkeyListener::Press>& pressed) const;

    // "Set Shortcut": stops listening, stores the pressed combination into the slot and
    // closes the sheet; nothing at all while nothing was pressed.
    void setShortcut(HotkeyListener& listener, const std::function<void()>& dismiss) const;
    // "Cancel": stops listening and closes the sheet.
    static void cancel(HotkeyListener& listener, const std::function<void()>& dismiss);

private:
    platform::ui::View header() const;
    platform::ui::View fieldGroup(const HotkeyListener& listener) const;
    platform::ui::View content(const std::shared_ptr<HotkeyListener>& listener,
                               const std::function<void()>& dismiss) const;

    std::shared_ptr<ActionRules> rules_;
    HotkeyBinding shortcut_;
    std::optional<std::string> bundleIdentifier_;
};

}  // namespace furlpane
