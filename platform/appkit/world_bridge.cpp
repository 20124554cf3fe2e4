#include "platform/appkit/world_bridge.h"

#include "platform/appkit/application.h"
#include "platform/appkit/layer_rendering.h"
#include "platform/appkit/window.h"
#include "platform/desktop/desktop.h"
#include "platform/desktop/dock_trips.h"
#include "platform/desktop/window_pictures.h"
#include "platform/events/simulated_input.h"

namespace platform {

namespace {

std::optional<AppEventType> appEventType(EventType type) {
    switch (type) {
    case EventType::leftMouseDown: return AppEventType::leftMouseDown;
    case EventType::leftMouseUp: return AppEventType::leftMouseUp;
    case EventType::leftMouseDragged: return AppEventType::leftMouseDragged;
    case EventType::rightMouseDown: return AppEventType::rightMouseDown;
    case EventType::rightMouseUp: return AppEventType::rightMouseUp;
    case EventType::rightMouseDragged: return AppEventType::rightMouseDragged;
    case EventType::otherMouseDown: return AppEventType::otherMouseDown;
    case EventType::otherMouseUp: return AppEventType::otherMouseUp;
    case EventType::otherMouseDragged: return AppEventType::otherMouseDragged;
    case EventType::mouseMoved: return AppEventType::mouseMoved;
    case EventType::keyDown: return AppEventType::keyDown;
    case EventType::keyUp: return AppEventType::keyUp;
    case EventType::flagsChanged: return AppEventType::flagsChanged;
    case EventType::scrollWheel: return AppEventType::scrollWheel;
    default: return std::nullopt;
    }
}

bool isKeyboard(AppEventType type) {
    return type == AppEventType::keyDown || type == AppEventType::keyUp || type == AppEventType::flagsChanged;
}

}  // namespace

std::optional<AppEvent> appEventFrom(const EventRecord& record) {
    const auto type = appEventType(record.type());
    if (!type) return std::nullopt;
    AppEvent event;
    if (isKeyboard(*type)) {
        const auto keyCode = static_cast<uint16_t>(record.integerValueField(EventField::keyboardEventKeycode));
        event = AppEvent::key(*type, keyCode, record.characters().value_or(""), record.flags());
        event.isARepeat = record.integerValueField(EventField::keyboardEventAutorepeat) != 0;
        event.screenLocation = record.location();
    } else if (*type == AppEventType::scrollWheel) {
        event = AppEvent::scroll(record.location(),
                                 double(record.integerValueField(EventField::scrollWheelEventPointDeltaAxis1)),
                                 double(record.integerValueField(EventField::scrollWheelEventPointDeltaAxis2)),
                                 record.flags());
    } else {
        const auto clicks = static_cast<int>(record.integerValueField(EventField::mouseEventClickState));
        event = AppEvent::mouse(*type, record.location(), clicks, record.flags());
    }
    event.timestamp = record.timestamp();
    return event;
}

void connectApplicationToWorld(Application& application, desktop::Desktop& world) {
    Application* app = &application;
    SimulatedInput::of(world).setOwnProcessEventSink([app](const EventRecord& record) {
        if (auto event = appEventFrom(record)) app->sendEvent(*event);
    });
}

void connectWindowToWorld(Window& window, uint32_t windowNumber) {
    desktop::Desktop& world = desktop::Desktop::current();
    world.pictures().setContentProvider(windowNumber, [](const desktop::Window& w, double scale) {
        return renderWindowPicture(w.number(), scale);
    });
    world.dockTrips().setNotificationObject(windowNumber, window.notificationObject());
}

}  // namespace platform
