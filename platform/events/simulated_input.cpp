#include "platform/events/simulated_input.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <set>
#include <string>

namespace platform {

using desktop::Application;
using desktop::Control;
using desktop::Desktop;
using desktop::Display;
using desktop::ProcessKind;
using desktop::Window;

namespace {

// Which button an event is about: 0 left, 1 right, 2 the others; -1 for none.
int buttonOf(EventType type) {
    switch (type) {
    case EventType::leftMouseDown:
    case EventType::leftMouseUp:
    case EventType::leftMouseDragged: return 0;
    case EventType::rightMouseDown:
    case EventType::rightMouseUp:
    case EventType::rightMouseDragged: return 1;
    case EventType::otherMouseDown:
    case EventType::otherMouseUp:
    case EventType::otherMouseDragged: return 2;
    default: return -1;
    }
}

bool isPressable(const Control& c) {
    static const std::set<std::string> roles{"AXButton",     "AXCheckBox",           "AXRadioButton",
                                             "AXPopUpButton", "AXMenuButton",        "AXDisclosureTriangle",
                                             "AXSegmentedControl", "AXLink"};
    return !c.isDestroyed() && c.isEnabled() && roles.count(c.role()) != 0;
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Whether a key press is a menu item's key equivalent: the same character (letters in
// either case) with exactly the item's modifiers.
bool isKeyEquivalent(const Control& item, const EventRecord& event) {
    if (!item.commandCharacter() || !event.charactersIgnoringModifiers()) return false;
    const uint32_t m = item.commandModifiers().value_or(0);
    const EventFlags f = event.flags();
    if (bool(f & event_flags::command) != !(m & 8)) return false;
    if (bool(f & event_flags::shift) != bool(m & 1)) return false;
    if (bool(f & event_flags::option) != bool(m & 2)) return false;
    if (bool(f & event_flags::control) != bool(m & 4)) return false;
    return upper(*item.commandCharacter()) == upper(*event.charactersIgnoringModifiers());
}

}  // namespace

SimulatedInput& SimulatedInput::of(Desktop& world) { return world.extension<SimulatedInput>(); }

SimulatedInput::SimulatedInput(Desktop& world) : world_(world) {
    if (const Display* first = world.displays().first()) {
        const Rect f = world.displays().topLeftFrame(*first);
        mouse_ = {f.midX(), f.midY()};
    }
}

void SimulatedInput::setMouseLocation(Point location) {
    auto guard = world_.lock();
    if (std::isfinite(location.x) && std::isfinite(location.y)) mouse_ = location;
}

void SimulatedInput::setModifierFlags(EventFlags flags) {
    auto guard = world_.lock();
    flags_ = flags;
}

void SimulatedInput::setDoubleClickInterval(double seconds) {
    auto guard = world_.lock();
    doubleClickInterval_ = std::isfinite(seconds) && seconds >= 0 ? seconds : kDefaultDoubleClickInterval;
}

void SimulatedInput::setSecureInput(bool on) {
    auto guard = world_.lock();
    secureInput_ = on;
}

void SimulatedInput::setKeyboardLayout(KeyboardLayout layout) {
    auto guard = world_.lock();
    layout_ = std::move(layout);
}

void SimulatedInput::setOwnProcessEventSink(EventSink sink) {
    auto guard = world_.lock();
    std::erase_if(sinks_, [](const auto& entry) { return !entry.second.isLive(); });
    sinks_[world_.ownProcessIdentifier()] = std::move(sink);
}

SimulatedInput::EventSink SimulatedInput::ownProcessEventSink(int32_t pid) const {
    auto guard = world_.lock();
    const auto it = sinks_.find(pid);
    return it == sinks_.end() ? EventSink() : it->second;
}

std::vector<SimulatedInput::EventSink> SimulatedInput::ownProcessEventSinks() const {
    auto guard = world_.lock();
    std::vector<EventSink> sinks;
    for (const auto& [pid, sink] : sinks_) {
        if (sink.isLive()) sinks.push_back(sink);
    }
    return sinks;
}

// ---- Events as the hardware makes them ----------------------------------------------

void SimulatedInput::prepare(EventRecord& event) {
    auto guard = world_.lock();
    event.setTimestamp(world_.now());
    const int button = buttonOf(event.type());
    if (event.isMouseEvent() && std::isfinite(event.location().x) && std::isfinite(event.location().y)) {
        mouse_ = event.location();
    }
    if (button >= 0 && (event.isMouseDown() || event.isMouseUp())) {
        fillClickState(event, button);
        if (event.isMouseDown()) {
            buttons_ |= 1u << button;
        } else {
            buttons_ &= ~(1u << button);
        }
    }
    if (event.type() == EventType::flagsChanged) flags_ = event.flags();
    if ((event.type() == EventType::keyDown || event.type() == EventType::keyUp) && !event.characters()) {
        auto [typed, ignoring] = layout_.characters(event.keyCode(), event.flags());
        event.setCharacters(std::move(typed), std::move(ignoring));
    }
    if (!event.hasField(EventField::eventTargetUnixProcessID)) {
        event.setIntegerValueField(EventField::eventTargetUnixProcessID, receiverFor(event).pid);
    }
    // Only a press's: a move or a drag, made far more often, does without it.
    if (event.isMouseDown() && !event.hasField(EventField::mouseEventWindowUnderMousePointer)) {
        const Window* under = world_.windowAt(event.location());
        event.setIntegerValueField(EventField::mouseEventWindowUnderMousePointer, under ? under->number() : 0);
    }
}

void SimulatedInput::fillClickState(EventRecord& event, int button) {
    Press& last = lastPress_[button];
    if (event.isMouseUp()) {
        if (!event.hasField(EventField::mouseEventClickState)) {
            event.setIntegerValueField(EventField::mouseEventClickState, std::max<int64_t>(last.count, 1));
        }
        return;
    }
    const double now = world_.now();
    if (!event.hasField(EventField::mouseEventClickState)) {
        const double dx = event.location().x - last.location.x;
        const double dy = event.location().y - last.location.y;
        const bool continues = lastButton_ == button && last.count > 0 && now - last.time <= doubleClickInterval_ &&
                               std::hypot(dx, dy) <= kMultiClickDistance;
        event.setIntegerValueField(EventField::mouseEventClickState, continues ? last.count + 1 : 1);
    }
    last = {now, event.location(), event.clickState()};
    lastButton_ = button;
}

EventReceiver SimulatedInput::receiverFor(const EventRecord& event) const {
    auto guard = world_.lock();
    const auto own = [this](int32_t pid) {
        const desktop::Application* process = world_.process(pid);
        return process && process->isOwnProcess();
    };
    if (event.isMouseEvent()) {
        const int button = buttonOf(event.type());
        const bool follows = event.isMouseUp() || event.type() == EventType::leftMouseDragged ||
                             event.type() == EventType::rightMouseDragged ||
                             event.type() == EventType::otherMouseDragged;
        if (follows && button >= 0 && (capturedNobody_[button] || world_.window(captured_[button].window))) {
            return captured_[button];
        }
        const Window* w = nullptr;
        if (event.hasField(EventField::mouseEventWindowUnderMousePointerThatCanHandleThisEvent)) {
            // A number no window can have names none.
            const int64_t named =
                event.integerValueField(EventField::mouseEventWindowUnderMousePointerThatCanHandleThisEvent);
            if (named > 0 && named <= std::numeric_limits<uint32_t>::max()) {
                w = world_.window(static_cast<uint32_t>(named));
            }
            if (w && !world_.takesClicks(*w)) w = nullptr;
        } else {
            w = world_.windowAt(event.location());
        }
        if (!w) return {};
        return {w->pid(), w->number(), own(w->pid())};
    }
    if (event.isKeyboardEvent()) {
        const Application* active = world_.activeApplication();
        if (!active) return {};
        return {active->pid(), 0, own(active->pid())};
    }
    return {};
}

// ---- What applications do with their events ----------------------------------------

uint64_t SimulatedInput::deliver(const EventRecord& event, const EventReceiver& receiver) {
    auto guard = world_.lock();
    const int button = buttonOf(event.type());
    if (event.isMouseDown() && button >= 0) {
        captured_[button] = receiver;
        capturedNobody_[button] =
            receiver.pid == 0 && event.hasField(EventField::mouseEventWindowUnderMousePointerThatCanHandleThisEvent);
    }
    if (event.isMouseUp() && button >= 0) {
        captured_[button] = {};
        capturedNobody_[button] = false;
    }
    if (receiver.ownProcess || receiver.pid == 0) return 0;
    switch (event.type()) {
    case EventType::leftMouseDown: return mousePressed(event, receiver);
    case EventType::leftMouseUp: return mouseReleased(event, receiver);
    case EventType::leftMouseDragged: mouseDragged(event, receiver); return 0;
    case EventType::keyDown: return keyPressed(event, receiver);
    default: return 0;
    }
}

uint64_t SimulatedInput::mousePressed(const EventRecord& event, const EventReceiver& receiver) {
    armed_ = {};
    grab_ = {};
    Window* w = world_.window(receiver.window);
    Application* app = world_.process(receiver.pid);
    if (!w || !app) return 0;
    if (app->kind() == ProcessKind::application && app->activationPolicy() != ActivationPolicy::prohibited) {
        // In front of every window, not only of its application's: an application that is
        // already active is not brought forward again below.
        if (!w->isSheet()) w->bringToFront();
        if (!app->isActive()) app->activate();
    }
    // The deepest enabled control under the point: children are made after their parents.
    const Point p{event.location().x - w->frame().minX(), event.location().y - w->frame().minY()};
    for (const Control* c : w->allControls()) {
        if (isPressable(*c) && c->frame().contains(p)) armed_ = {w->pid(), w->number(), c->id()};
    }
    if (armed_.control == 0 && w->isTitled() && !w->isFullScreen() && p.y >= 0 && p.y < w->titleBarHeight()) {
        grab_ = {w->number(), event.location(), w->frame().origin};
    }
    return 0;
}

void SimulatedInput::mouseDragged(const EventRecord& event, const EventReceiver& receiver) {
    if (grab_.window == 0 || grab_.window != receiver.window) return;
    // A window that has set off into the Dock since the press no longer follows it.
    Window* w = world_.window(grab_.window);
    if (!w || w->isMinimized()) return;
    const Point& p = event.location();
    w->moveTo({grab_.origin.x + p.x - grab_.pointer.x, grab_.origin.y + p.y - grab_.pointer.y});
}

uint64_t SimulatedInput::mouseReleased(const EventRecord& event, const EventReceiver& receiver) {
    const Armed armed = armed_;
    armed_ = {};
    grab_ = {};
    if (armed.control == 0 || armed.pid != receiver.pid) return 0;
    Control* c = world_.control(armed.control);
    if (!c || !isPressable(*c)) return 0;
    const std::optional<Rect> frame = c->screenFrame();
    if (!frame || !frame->contains(event.location())) return 0;
    return c->press() ? c->id() : 0;
}

uint64_t SimulatedInput::keyPressed(const EventRecord& event, const EventReceiver& receiver) {
    if (event.isAutorepeat()) return 0;
    Application* app = world_.process(receiver.pid);
    if (!app) return 0;
    for (Control* item : app->menuItems()) {
        if (item->isDestroyed() || !item->isEnabled() || !isKeyEquivalent(*item, event)) continue;
        return item->press() ? item->id() : 0;
    }
    return 0;
}

}  // namespace platform
