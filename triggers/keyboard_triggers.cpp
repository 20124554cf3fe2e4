// Keyboard triggers: Command-M and the recorded shortcuts in key-downs, and the modifier
// double taps in modifier changes, for the focused window of the application in front.
// A swallowed key takes its autorepeats and its one key-up with it.

#include <limits>

#include "platform/events/input_state.h"
#include "platform/process/process_info.h"
#include "platform/services/workspace.h"
#include "triggers/hotkey_listener.h"
#include "triggers/trigger_tap.h"
#include "windows/access/own_windows.h"

namespace furlpane {

using platform::EventFlags;
using platform::EventRecord;
namespace flags = platform::event_flags;

namespace {

int64_t keyCodeOf(const EventRecord& event) {
    return event.integerValueField(platform::EventField::keyboardEventKeycode);
}

}  // namespace

// Holding a trigger key down never fires it again: its autorepeats are only swallowed.
bool TriggerTap::keyDown(const EventRecord& event) {
    const int64_t keyCode = keyCodeOf(event);
    if (event.integerValueField(platform::EventField::keyboardEventAutorepeat) != 0) {
        return swallowedKeyCode_ == keyCode;
    }
    if (swallowedKeyCode_ == keyCode) swallowedKeyCode_.reset();
    if (!rules_->interceptedTriggers().contains(Trigger::commandM) && !rules_->hasHotkeys()) return false;
    const auto front = keyboardTarget();
    if (!front) return false;
    const auto match = matchHotkey(event, keyCode, front->bundleIdentifier);
    if (!match || !dispatchToFocusedWindow(match->action, front->processIdentifier, match->scope)) return false;
    swallowedKeyCode_ = keyCode;
    return true;
}

// Plain Command-M is decided before any recorded shortcut; a shortcut recorded as
// Option-Command-M wins over Command-M's every-window form.
std::optional<TriggerTap::KeyTriggerMatch> TriggerTap::matchHotkey(
    const EventRecord& event, int64_t keyCode, ActionRules::BundleIdentifier bundleIdentifier) const {
    const EventFlags held = event.flags();
    std::optional<WindowAction> commandM;
    if (rules_->interceptedTriggers().contains(Trigger::commandM) &&
        (held & (flags::command | flags::control | flags::shift)) == flags::command && isCommandMKey(event)) {
        commandM = rules_->tapActionForTrigger(Trigger::commandM, bundleIdentifier);
    }
    if (commandM && (held & flags::option) == 0) return KeyTriggerMatch{*commandM, Scope::oneWindow};
    if (keyCode >= 0 && keyCode <= std::numeric_limits<uint16_t>::max() && rules_->hasHotkeys()) {
        const auto shortcut =
            rules_->hotkeyActionInApplication(static_cast<uint16_t>(keyCode), held, bundleIdentifier);
        if (shortcut) return KeyTriggerMatch{*shortcut, Scope::oneWindow};
    }
    if (commandM) return KeyTriggerMatch{*commandM, Scope::everyWindow};
    return std::nullopt;
}

bool TriggerTap::isCommandMKey(const EventRecord& event) {
    return isMKey(event.charactersIgnoringModifiers().value_or(""), keyCodeOf(event));
}

bool TriggerTap::isBusy(int32_t processIdentifier) const {
    return isTravelling(processIdentifier) || changesWaiting_.contains(processIdentifier);
}

// The double tap never applies to every window and never plays slowly.
void TriggerTap::flagsChanged(const EventRecord& event) {
    const auto secureInput = platform::isSecureEventInputEnabled() ? ModifierDoubleTap::SecureInput::on
                                                                   : ModifierDoubleTap::SecureInput::off;
    const auto trigger = doubleTap_.step(event.flags(), secureInput, platform::ProcessInfo::current().systemUptime());
    if (!trigger || !rules_->interceptedTriggers().contains(*trigger)) return;
    const auto front = keyboardTarget();
    if (!front) return;
    const auto action = rules_->tapActionForTrigger(*trigger, front->bundleIdentifier);
    if (action) dispatchToFocusedWindow(*action, front->processIdentifier, Scope::oneWindow);
}

// ---- What the key and the double tap share

// While a shortcut is being recorded in the program, every key reaches the recorder.
std::optional<TriggerTap::FrontApplication> TriggerTap::keyboardTarget() {
    const auto front = platform::Workspace::shared().frontmostApplication();
    if (!front) return std::nullopt;
    const int32_t pid = front->processIdentifier();
    if (pid == ownProcessIdentifier() && HotkeyListener::listeningCount() > 0) return std::nullopt;
    return FrontApplication{pid, front->bundleIdentifier()};
}

// A busy application's trigger waits on the engine's chain for the window focused once
// it has settled; otherwise the window focused now is taken at once, unless another
// instance holds it: the key is left to that instance.
bool TriggerTap::dispatchToFocusedWindow(WindowAction action, int32_t processIdentifier, Scope scope) {
    if (isBusy(processIdentifier)) {
        dispatchKeyTrigger(action, processIdentifier, scope);
        return true;
    }
    auto target = WindowEffects::resolveTarget(processIdentifier);
    if (!target || isHeldElsewhere(target->id)) return false;
    dispatchWindowTrigger(action, std::move(*target), scope, Speed::normal, std::nullopt, processIdentifier);
    return true;
}

// Queued from the callback, like every trigger, so that two quick presses act in the
// order they were made, each on the window focused after the one before.
void TriggerTap::dispatchKeyTrigger(WindowAction action, int32_t processIdentifier, Scope scope) {
    queueTrigger(processIdentifier, [action, processIdentifier, scope](WindowEffects& engine) {
        std::weak_ptr<WindowEffects> weak = engine.weak_from_this();
        return WindowEffects::performForApplication(
            processIdentifier, weak, &WindowEffects::resolveTarget,
            [weak, scope, action](TargetWindow target) { return WindowEffects::respond(target, weak, scope, action); });
    });
}

}  // namespace furlpane
