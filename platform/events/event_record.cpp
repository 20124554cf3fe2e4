#include "platform/events/event_record.h"

namespace platform {

const char* describe(EventType type) {
    switch (type) {
    case EventType::null: return "null";
    case EventType::leftMouseDown: return "leftMouseDown";
    case EventType::leftMouseUp: return "leftMouseUp";
    case EventType::rightMouseDown: return "rightMouseDown";
    case EventType::rightMouseUp: return "rightMouseUp";
    case EventType::mouseMoved: return "mouseMoved";
    case EventType::leftMouseDragged: return "leftMouseDragged";
    case EventType::rightMouseDragged: return "rightMouseDragged";
    case EventType::keyDown: return "keyDown";
    case EventType::keyUp: return "keyUp";
    case EventType::flagsChanged: return "flagsChanged";
    case EventType::scrollWheel: return "scrollWheel";
    case EventType::otherMouseDown: return "otherMouseDown";
    case EventType::otherMouseUp: return "otherMouseUp";
    case EventType::otherMouseDragged: return "otherMouseDragged";
    case EventType::tapDisabledByTimeout: return "tapDisabledByTimeout";
    case EventType::tapDisabledByUserInput: return "tapDisabledByUserInput";
    }
    return "unknown";
}

EventRecord EventRecord::mouse(EventType type, Point location, EventFlags flags, std::optional<int64_t> clickState) {
    EventRecord e(type);
    e.location_ = location;
    e.flags_ = flags;
    if (clickState) e.setIntegerValueField(EventField::mouseEventClickState, *clickState);
    if (type == EventType::otherMouseDown || type == EventType::otherMouseUp) {
        e.setIntegerValueField(EventField::mouseEventButtonNumber, 2);
    } else if (type == EventType::rightMouseDown || type == EventType::rightMouseUp) {
        e.setIntegerValueField(EventField::mouseEventButtonNumber, 1);
    }
    return e;
}

EventRecord EventRecord::key(EventType type, uint16_t keyCode, EventFlags flags, bool autorepeat) {
    EventRecord e(type);
    e.flags_ = flags;
    e.setIntegerValueField(EventField::keyboardEventKeycode, keyCode);
    e.setIntegerValueField(EventField::keyboardEventAutorepeat, autorepeat ? 1 : 0);
    return e;
}

EventRecord EventRecord::scroll(Point location, int32_t deltaY, int32_t deltaX, EventFlags flags) {
    EventRecord e(EventType::scrollWheel);
    e.location_ = location;
    e.flags_ = flags;
    e.setIntegerValueField(EventField::scrollWheelEventPointDeltaAxis1, deltaY);
    e.setIntegerValueField(EventField::scrollWheelEventPointDeltaAxis2, deltaX);
    e.setIntegerValueField(EventField::scrollWheelEventDeltaAxis1, deltaY / 10);
    e.setIntegerValueField(EventField::scrollWheelEventDeltaAxis2, deltaX / 10);
    return e;
}

EventRecord EventRecord::flagsChanged(EventFlags flags, uint16_t keyCode) {
    EventRecord e = key(EventType::flagsChanged, keyCode, flags);
    e.setCharacters(std::string(), std::string());
    return e;
}

int64_t EventRecord::integerValueField(EventField field) const {
    auto it = fields_.find(field);
    return it == fields_.end() ? 0 : it->second;
}

void EventRecord::setIntegerValueField(EventField field, int64_t value) { fields_[field] = value; }

void EventRecord::setCharacters(std::optional<std::string> characters, std::optional<std::string> ignoringModifiers) {
    characters_ = std::move(characters);
    charactersIgnoringModifiers_ = std::move(ignoringModifiers);
}

bool EventRecord::isMouseDown() const {
    return type_ == EventType::leftMouseDown || type_ == EventType::rightMouseDown ||
           type_ == EventType::otherMouseDown;
}

bool EventRecord::isMouseUp() const {
    return type_ == EventType::leftMouseUp || type_ == EventType::rightMouseUp || type_ == EventType::otherMouseUp;
}

bool EventRecord::isMouseEvent() const {
    return isMouseDown() || isMouseUp() || type_ == EventType::mouseMoved || type_ == EventType::leftMouseDragged ||
           type_ == EventType::rightMouseDragged || type_ == EventType::otherMouseDragged ||
           type_ == EventType::scrollWheel;
}

bool EventRecord::isKeyboardEvent() const {
    return type_ == EventType::keyDown || type_ == EventType::keyUp || type_ == EventType::flagsChanged;
}

}  // namespace platform
