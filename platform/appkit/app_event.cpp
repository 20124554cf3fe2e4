#include "platform/appkit/app_event.h"

#include <cmath>

namespace platform {

namespace {

int buttonOf(AppEventType type) {
    switch (type) {
    case AppEventType::rightMouseDown:
    case AppEventType::rightMouseUp:
    case AppEventType::rightMouseDragged: return 1;
    case AppEventType::otherMouseDown:
    case AppEventType::otherMouseUp:
    case AppEventType::otherMouseDragged: return 2;
    default: return 0;
    }
}

}  // namespace

AppEvent AppEvent::mouse(AppEventType type, Point screenLocation, int clickCount, uint64_t modifierFlags) {
    AppEvent e;
    e.type = type;
    e.screenLocation = screenLocation;
    e.clickCount = clickCount < 0 ? 0 : clickCount;
    e.modifierFlags = modifierFlags;
    e.buttonNumber = buttonOf(type);
    return e;
}

AppEvent AppEvent::key(AppEventType type, uint16_t keyCode, std::string characters, uint64_t modifierFlags) {
    AppEvent e;
    e.type = type;
    e.keyCode = keyCode;
    e.characters = std::move(characters);
    e.modifierFlags = modifierFlags;
    return e;
}

AppEvent AppEvent::scroll(Point screenLocation, double deltaY, double deltaX, uint64_t modifierFlags) {
    AppEvent e;
    e.type = AppEventType::scrollWheel;
    e.screenLocation = screenLocation;
    e.scrollingDeltaX = std::isfinite(deltaX) ? deltaX : 0;
    e.scrollingDeltaY = std::isfinite(deltaY) ? deltaY : 0;
    e.modifierFlags = modifierFlags;
    return e;
}

uint32_t AppEvent::systemTypeNumber() const {
    switch (type) {
    case AppEventType::leftMouseDown: return 1;
    case AppEventType::leftMouseUp: return 2;
    case AppEventType::rightMouseDown: return 3;
    case AppEventType::rightMouseUp: return 4;
    case AppEventType::mouseMoved: return 5;
    case AppEventType::leftMouseDragged: return 6;
    case AppEventType::rightMouseDragged: return 7;
    case AppEventType::mouseEntered: return 8;
    case AppEventType::mouseExited: return 9;
    case AppEventType::keyDown: return 10;
    case AppEventType::keyUp: return 11;
    case AppEventType::flagsChanged: return 12;
    case AppEventType::scrollWheel: return 22;
    case AppEventType::otherMouseDown: return 25;
    case AppEventType::otherMouseUp: return 26;
    case AppEventType::otherMouseDragged: return 27;
    }
    return 0;
}

bool AppEvent::isMouseDown() const {
    return type == AppEventType::leftMouseDown || type == AppEventType::rightMouseDown ||
           type == AppEventType::otherMouseDown;
}

bool AppEvent::isMouseUp() const {
    return type == AppEventType::leftMouseUp || type == AppEventType::rightMouseUp ||
           type == AppEventType::otherMouseUp;
}

bool AppEvent::isMouseDragged() const {
    return type == AppEventType::leftMouseDragged || type == AppEventType::rightMouseDragged ||
           type == AppEventType::otherMouseDragged;
}

bool AppEvent::isMouseEvent() const {
    return isMouseDown() || isMouseUp() || isMouseDragged() || type == AppEventType::mouseMoved ||
           type == AppEventType::mouseEntered || type == AppEventType::mouseExited;
}

bool AppEvent::isKeyEvent() const {
    return type == AppEventType::keyDown || type == AppEventType::keyUp || type == AppEventType::flagsChanged;
}

const char* describe(AppEventType type) {
    switch (type) {
    case AppEventType::leftMouseDown: return "leftMouseDown";
    case AppEventType::leftMouseUp: return "leftMouseUp";
    case AppEventType::leftMouseDragged: return "leftMouseDragged";
    case AppEventType::rightMouseDown: return "rightMouseDown";
    case AppEventType::rightMouseUp: return "rightMouseUp";
    case AppEventType::rightMouseDragged: return "rightMouseDragged";
    case AppEventType::otherMouseDown: return "otherMouseDown";
    case AppEventType::otherMouseUp: return "otherMouseUp";
    case AppEventType::otherMouseDragged: return "otherMouseDragged";
    case AppEventType::mouseMoved: return "mouseMoved";
    case AppEventType::mouseEntered: return "mouseEntered";
    case AppEventType::mouseExited: return "mouseExited";
    case AppEventType::keyDown: return "keyDown";
    case AppEventType::keyUp: return "keyUp";
    case AppEventType::flagsChanged: return "flagsChanged";
    case AppEventType::scrollWheel: return "scrollWheel";
    }
    return "unknown";
}

}  // namespace platform
