// Announcing changes: the sound, the window-state-changed notification for other
// processes, the list of changed windows kept in step, and letting windows go.

#include "windows/engine/window_effects.h"

#include <algorithm>

#include "platform/notifications/distributed_notification_center.h"
#include "windows/access/main_thread.h"

namespace furlpane {

using platform::Task;

namespace {

SoundState soundState(const WindowState& state, WindowChange change) {
    return SoundState{state.style, state.isFloating, change};
}

}  // namespace

bool WindowEffects::announce(const std::shared_ptr<AffectedWindow>& window, Before before, SoundWish wish) {
    requireMainThread("WindowEffects.announce");
    bool soundIsDue = false;
    bool soundWasPlayed = false;
    // A window left in the Dock has not come back: no sound says it has.
    if (wish == SoundWish::wanted && !window->isLeftInDock()) {
        const auto sound = chooseEffectSound(soundState(window->state(), window->change()),
                                             EffectSounds::isSiblingSoundAppRunning(),
                                             soundState(before.state, before.change));
        soundIsDue = sound.has_value();
        // With sounds on the program takes the sound on itself, also when its file is
        // missing: a listener must not play it a second time.
        if (sound && preferences_.playsSounds()) {
            soundWasPlayed = true;
            sounds_.play(*sound);
        }
    }
    if (window->state().style == before.state.style && window->change() == before.change) return soundIsDue;
    postStateChanged({window->target().id, window->target().processIdentifier, before.state.style,
                      window->state().style, before.change, window->change(), soundIsDue, soundWasPlayed});
    return soundIsDue;
}

void WindowEffects::postStateChanged(const StateChange& change) {
    platform::plist::Dictionary userInfo;
    userInfo.set("WindowID", int64_t{change.window});
    userInfo.set("OldState", stateCode(change.oldStyle));
    userInfo.set("NewState", stateCode(change.newStyle));
    userInfo.set("IsCollapsed", change.newStyle.has_value());
    userInfo.set("ProcessID", int64_t{change.processIdentifier});
    userInfo.set("WasInDock", change.wasInDock == WindowChange::minimized);
    userInfo.set("IsInDock", change.isInDock == WindowChange::minimized);
    userInfo.set("SoundIsDue", change.soundIsDue);
    userInfo.set("SoundWasPlayed", change.soundWasPlayed);
    platform::DistributedNotificationCenter::defaultCenter().post(
        kStateChangedNotification, std::nullopt, std::move(userInfo),
        platform::DistributedNotificationCenter::Delivery::immediately);
}

void WindowEffects::refreshList(const std::shared_ptr<AffectedWindow>& window) {
    requireMainThread("WindowEffects.refreshList");
    WindowList list = windows();
    const bool listed = std::find(list.begin(), list.end(), window) != list.end();
    if (listed && window->isNormal()) {
        list.erase(std::remove(list.begin(), list.end(), window), list.end());
    } else if (!listed && !window->isNormal()) {
        list.push_back(window);
    }
    setWindows(std::move(list));
}

void WindowEffects::stateDidChange(std::shared_ptr<AffectedWindow> window, Before before) {
    if (window->state().style != before.state.style) {
        postStateChanged({window->target().id, window->target().processIdentifier, before.state.style,
                          window->state().style, before.change, window->change(), false, false});
    }
    if (window->isNormal()) letGo(*window);
    refreshList(window);
}

Task<void> WindowEffects::forget(std::shared_ptr<AffectedWindow> window) {
    letGo(*window);
    thumbnailOrigins_.erase(window->target().id);
    refreshList(window);
    co_return;
}

// The thumbnail's remembered spot stays: the user brought the window out of the Dock
// himself, and may minimize it in place again.
Task<void> WindowEffects::forgetAndAnnounce(std::shared_ptr<AffectedWindow> window) {
    const auto style = window->state().style;
    const auto change = window->change();
    letGo(*window);
    if (style || change == WindowChange::minimized) {
        postStateChanged({window->target().id, window->target().processIdentifier, style, std::nullopt, change,
                          WindowChange::none, false, false});
    }
    refreshList(window);
    co_return;
}

void WindowEffects::letGo(AffectedWindow& window) {
    window.tearDownCompanions();
    window.dismissStandIn();
    window.stopObserving();
    window.ledger().forget(window.target().id);
    window.setChange(WindowChange::none);
    window.setState(WindowState{});
}

}  // namespace furlpane
