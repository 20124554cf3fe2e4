// The changed window's answers to its stand-in's reports.

#include "windows/changed/stand_in_responder.h"

#include <optional>
#include <string_view>

#include "platform/appkit/application.h"
#include "platform/events/input_state.h"
#include "platform/runtime/verify.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/main_thread.h"
#include "windows/access/own_windows.h"

namespace furlpane {

using platform::AppEvent;
using platform::Task;

namespace {

bool has(std::uint64_t flags, AppEvent::Modifier modifier) { return (flags & modifier) != 0; }

ActionRules::BundleIdentifier bundleOf(const TargetWindow& target) {
    if (!target.bundleIdentifier) return std::nullopt;
    return std::string_view(*target.bundleIdentifier);
}

// The trigger of a double-click on a title strip; none when Command and Control are
// both held.
std::optional<Trigger> doubleClickTrigger(std::uint64_t flags) {
    const bool command = has(flags, AppEvent::command), control = has(flags, AppEvent::control);
    if (command && control) return std::nullopt;
    if (control) return Trigger::controlTitleBarDoubleClick;
    if (command) return Trigger::commandTitleBarDoubleClick;
    return Trigger::titleBarDoubleClick;
}

platform::WindowButtonKind buttonKind(WindowButton button) {
    switch (button) {
        case WindowButton::close: return platform::WindowButtonKind::close;
        case WindowButton::minimize: return platform::WindowButtonKind::miniaturize;
        case WindowButton::zoom: return platform::WindowButtonKind::zoom;
    }
    return platform::WindowButtonKind::close;
}

// Shift held plays the change slowly.
Speed speedOf(std::uint64_t flags) { return has(flags, AppEvent::shift) ? Speed::slowMotion : Speed::normal; }

Speed speedHeldNow() { return speedOf(platform::InputState::currentModifierFlags()); }

}  // namespace

std::shared_ptr<StandInResponder> StandInResponder::create(std::weak_ptr<StandInSubject> subject,
                                                           std::weak_ptr<WindowEffectsServices> engine,
                                                           std::shared_ptr<const ActionRules> rules,
                                                           std::shared_ptr<const Preferences> preferences) {
    return std::make_shared<StandInResponder>(Key{}, std::move(subject), std::move(engine), std::move(rules),
                                              std::move(preferences));
}

StandInResponder::StandInResponder(const Key&, std::weak_ptr<StandInSubject> subject,
                                   std::weak_ptr<WindowEffectsServices> engine,
                                   std::shared_ptr<const ActionRules> rules,
                                   std::shared_ptr<const Preferences> preferences)
    : subject_(std::move(subject)),
      engine_(std::move(engine)),
      rules_(std::move(rules)),
      preferences_(std::move(preferences)) {
    VERIFY_WITH(rules_ && preferences_, "a stand-in's responder answers by the rules and preferences it is given");
}

void StandInResponder::ask(WindowEffectsServices::Request request) {
    if (auto engine = engine_.lock()) engine->onMainActor(std::move(request));
}

void StandInResponder::standInDoubleClicked(StandInPanel&, std::uint64_t modifierFlags) {
    requireMainThread("StandInResponder.doubleClicked");
    const auto subject = subject_.lock();
    if (!subject) return;
    switch (subject->standIn()) {
        case StandIn::none: break;
        case StandIn::thumbnail: requestRestore(modifierFlags); break;
        case StandIn::liveCopy: subject->engage(); break;
        case StandIn::titleStrip: titleStripDoubleClick(*subject, modifierFlags); break;
    }
}

void StandInResponder::titleStripDoubleClick(StandInSubject& subject, std::uint64_t modifierFlags) {
    const TargetWindow& target = subject.target();
    const auto trigger = doubleClickTrigger(modifierFlags);
    const auto action = trigger ? rules_->actionForTrigger(*trigger, bundleOf(target)) : std::nullopt;
    if (action) {
        sendAction(target, *action, modifierFlags, Raising::bringForward);
    } else {
        restoreThisWindow(subject, Raising::bringForward, speedOf(modifierFlags));
    }
}

void StandInResponder::sendAction(const TargetWindow& target, WindowAction action, std::uint64_t modifierFlags,
                                  Raising raisesWindow) {
    const platform::Point point = platform::InputState::mouseLocation();
    const Speed speed = speedOf(modifierFlags);
    if (has(modifierFlags, AppEvent::option)) {
        ask([action, target, point, speed](WindowEffectsServices& engine) {
            return engine.performFromTrigger(action, target, point, speed);
        });
    } else {
        ask([action, target, point, raisesWindow, speed](WindowEffectsServices& engine) {
            return engine.act(action, target, point, raisesWindow, speed);
        });
    }
}

void StandInResponder::restoreThisWindow(StandInSubject& subject, Raising interactive, Speed speed,
                                         std::function<void()> then) {
    ask([window = subject.changedWindow(), interactive, speed, then](WindowEffectsServices& engine) {
        return engine.changeState(window, interactive, speed, then);
    });
}

void StandInResponder::standInClicked(StandInPanel&, std::uint64_t modifierFlags) {
    requireMainThread("StandInResponder.clicked");
    const auto subject = subject_.lock();
    if (!subject) return;
    if (subject->standIn() == StandIn::thumbnail) {
        if (preferences_->singleClickRestores()) requestRestore(modifierFlags);
    } else if (subject->standIn() == StandIn::liveCopy) {
        subject->engage();
    }
}

bool StandInResponder::buttonIsUsable(const TargetWindow& target, WindowButton button) const {
    if (target.processIdentifier != ownProcessIdentifier()) return true;
    const auto window = ownWindow(target.id);
    if (!window) return true;
    const platform::WindowButton* standard = window->standardWindowButton(buttonKind(button));
    return standard && standard->isEnabled();
}

void StandInResponder::standInButtonClicked(StandInPanel&, WindowButton button) {
    requireMainThread("StandInResponder.buttonClicked");
    const auto subject = subject_.lock();
    if (!subject) return;
    const TargetWindow& target = subject->target();
    if (!buttonIsUsable(target, button)) return;
    const std::uint64_t flags = platform::InputState::currentModifierFlags();
    if (button == WindowButton::minimize) {
        const WindowAction action =
            rules_->actionForTrigger(Trigger::minimizeButton, bundleOf(target)).value_or(WindowAction::minimizeToDock);
        sendAction(target, action, flags, Raising::inPlace);
        return;
    }
    auto press = [engine = engine_, pid = target.processIdentifier,
                  isOwn = target.processIdentifier == ownProcessIdentifier(), number = target.id, button,
                  element = target.element] {
        platform::spawnMain([=] { return pressWindowButton(engine, pid, isOwn, number, button, element); });
    };
    restoreThisWindow(*subject, Raising::inPlace, speedOf(flags), press);
}

Task<void> StandInResponder::pressWindowButton(std::weak_ptr<WindowEffectsServices> engine, int32_t processIdentifier,
                                               bool isOwn, std::uint32_t windowNumber, WindowButton button,
                                               platform::AccessibilityElement element) {
    if (auto services = engine.lock()) {
        auto settling = services->settled(processIdentifier);
        co_await settling;
    }
    if (isOwn) {
        if (const auto window = ownWindow(windowNumber))
            if (platform::WindowButton* standard = window->standardWindowButton(buttonKind(button)))
                standard->performClick();
        co_return;
    }
    if (const auto pressed = elementAttribute(attributeName(button), element)) {
        accessibilityQueue().async([pressed = *pressed] { pressed.performAction(ax::action::press); });
    }
}

void StandInResponder::standInDragEnded(StandInPanel& panel) {
    requireMainThread("StandInResponder.dragEnded");
    if (const auto subject = subject_.lock()) subject->endDrag(panel);
}

void StandInResponder::standInHoverChanged(StandInPanel&, bool hovered) {
    requireMainThread("StandInResponder.hoverChanged");
    if (const auto subject = subject_.lock()) subject->hoverChanged(hovered);
}

std::shared_ptr<platform::Menu> StandInResponder::standInMenu(StandInPanel&, bool isControlClick) {
    requireMainThread("StandInResponder.menu");
    const auto subject = subject_.lock();
    if (!subject) return nullptr;
    // A Control-click on anything but a thumbnail stays a click.
    if (isControlClick && subject->standIn() != StandIn::thumbnail) return nullptr;
    std::weak_ptr<StandInResponder> weak = weak_from_this();
    auto item = [weak](void (StandInResponder::*action)()) {
        return [weak, action](platform::MenuItem&) {
            if (auto self = weak.lock()) (self.get()->*action)();
        };
    };
    auto menu = platform::Menu::make();
    menu->addItem("Restore This Window", item(&StandInResponder::restoreFromMenu));
    menu->addItem("Restore All Windows", item(&StandInResponder::restoreAllFromMenu));
    menu->addItem(platform::MenuItem::separator());
    menu->addItem("Hide " + subject->target().applicationName, item(&StandInResponder::hideApplicationFromMenu));
    return menu;
}

void StandInResponder::requestRestore(std::uint64_t modifierFlags) {
    const auto subject = subject_.lock();
    if (!subject) return;
    const Speed speed = speedOf(modifierFlags);
    if (has(modifierFlags, AppEvent::option)) {
        ask([window = subject->changedWindow(), speed](WindowEffectsServices& engine) {
            return engine.restoreOnActiveSpace(window, speed);
        });
    } else {
        restoreThisWindow(*subject, Raising::bringForward, speed);
    }
}

void StandInResponder::restoreFromMenu() {
    if (const auto subject = subject_.lock()) restoreThisWindow(*subject, Raising::bringForward, speedHeldNow());
}

void StandInResponder::restoreAllFromMenu() {
    const auto subject = subject_.lock();
    if (!subject) return;
    ask([window = subject->changedWindow(), speed = speedHeldNow()](WindowEffectsServices& engine) {
        return engine.restoreWindows(window, speed);
    });
}

void StandInResponder::hideApplicationFromMenu() {
    const auto subject = subject_.lock();
    if (!subject) return;
    ask([target = subject->target()](WindowEffectsServices& engine) {
        return engine.act(WindowAction::hideApplication, target, std::nullopt, Raising::inPlace, Speed::normal);
    });
}

}  // namespace furlpane
