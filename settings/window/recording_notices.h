#pragma once

// What the shortcut recording sheet explains under the combination the user pressed:
// why a key was refused, which other shortcuts would lose the combination, when the
// Command-M trigger comes first, when Option-Command-M stops doing what Command-M does to
// every window, when macOS or the application in front uses the combination itself.
//
// The notices are worked out afresh from the listener's state and the rules at every
// redraw; none is stored.

#include <optional>
#include <string>
#include <vector>

#include "settings/model/action_rules.h"
#include "triggers/hotkey_listener.h"

namespace furlpane {

struct RecordingNotice {
    // A warning asks the user to act; an information tells what setting it would mean.
    enum class Kind { warning, information };
    Kind kind = Kind::information;
    std::string text;

    friend bool operator==(const RecordingNotice&, const RecordingNotice&) = default;
};

struct RecordingContext {
    const ActionRules& rules;
    // The slot being recorded, as the sheet took it.
    const HotkeyBinding& shortcut;
    // None: Default Settings.
    const std::optional<std::string>& bundleIdentifier;
    const std::optional<HotkeyListener::Press>& pressed;
    const std::optional<HotkeyListener::Refusal>& refusal;
};

// The name of the rule for the identifier, else the identifier itself.
std::string targetApplicationName(const ActionRules& rules, const std::string& bundleIdentifier);

// In order: the refusal, the other slots with the combination, the Command-M trigger,
// Option-Command-M, a macOS shortcut, Command with a single key. Each shows on its own
// condition; all but the refusal need a pressed combination.
std::vector<RecordingNotice> recordingNotices(const RecordingContext& context);

}  // namespace furlpane
