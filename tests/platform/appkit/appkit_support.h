#pragma once

// What the AppKit tests share: a world on a simulated loop, sending mouse events by
// top-left screen points, recording notifications of the default centre, and a view
// that remembers what reached it.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/application.h"
#include "platform/appkit/simulated_user.h"
#include "platform/desktop/desktop.h"
#include "platform/graphics/image.h"
#include "platform/notifications/notification_center.h"
#include "platform/runtime/main_loop.h"

namespace appkit_test {

using namespace platform;

// Records the names (and objects) of the default centre's notifications with one of
// the given names, while it lives.
class Recorder {
public:
    explicit Recorder(std::vector<std::string> names) {
        for (auto& name : names) {
            tokens_.push_back(NotificationCenter::defaultCenter().addObserver(
                name, nullptr, [this](const Notification& n) { seen.push_back({n.name, n.object}); }));
        }
    }
    ~Recorder() {
        for (const auto& t : tokens_) NotificationCenter::defaultCenter().removeObserver(t);
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    struct Seen {
        std::string name;
        const void* object;
    };
    std::vector<Seen> seen;

    int count(const std::string& name, const void* object = nullptr) const {
        int n = 0;
        for (const auto& s : seen) n += s.name == name && (!object || s.object == object);
        return n;
    }

private:
    std::vector<NotificationCenter::Token> tokens_;
};

// A layer-backed view that remembers the events that reached it.
class ProbeView : public View {
public:
    using View::View;
    bool firstMouse = false;
    std::vector<AppEventType> events;
    std::vector<int> clickCounts;
    std::vector<uint64_t> modifiers;
    std::vector<Point> locations;  // in the view's own coordinates
    int entered = 0;
    int exited = 0;
    std::shared_ptr<Menu> contextMenu;

    bool acceptsFirstMouse(const AppEvent*) const override { return firstMouse; }
    void mouseDown(const AppEvent& e) override { note(e); }
    void mouseDragged(const AppEvent& e) override { note(e); }
    void mouseUp(const AppEvent& e) override { note(e); }
    void rightMouseUp(const AppEvent& e) override { note(e); }
    void keyDown(const AppEvent& e) override { note(e); }
    void mouseEntered(const AppEvent&) override { ++entered; }
    void mouseExited(const AppEvent&) override { ++exited; }
    std::shared_ptr<Menu> menuForEvent(const AppEvent&) override { return contextMenu; }
    void updateTrackingAreas() override {
        for (const auto& a : std::vector(trackingAreas())) removeTrackingArea(a.get());
        addTrackingArea(TrackingArea::make({}, TrackingArea::mouseEnteredAndExited | TrackingArea::activeAlways |
                                                   TrackingArea::inVisibleRect));
    }

private:
    void note(const AppEvent& e) {
        events.push_back(e.type);
        clickCounts.push_back(e.clickCount);
        modifiers.push_back(e.modifierFlags);
        locations.push_back(convertFromWindow(e.locationInWindow));
    }
};

// A world with the program and its application object.
class AppKitTest : public ::testing::Test {
protected:
    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop};
    Application& app = Application::shared();

    bool send(AppEventType type, Point p, int clicks = 1, uint64_t modifiers = 0) {
        return app.sendEvent(AppEvent::mouse(type, p, clicks, modifiers));
    }
    bool click(Point p, int clicks = 1, uint64_t modifiers = 0) {
        const bool down = send(AppEventType::leftMouseDown, p, clicks, modifiers);
        send(AppEventType::leftMouseUp, p, clicks, modifiers);
        return down;
    }
    // AppKit screen rectangle of a top-left one.
    Rect appKit(const Rect& topLeft) const { return flipRect(topLeft, world.displays().firstMaxY()); }
    // A borderless panel whose content is a probe view, ordered in at a top-left frame.
    std::shared_ptr<Panel> probePanel(const Rect& topLeft, uint64_t style = nonactivatingPanelMask) {
        auto panel = std::make_shared<Panel>(appKit(topLeft), style);
        panel->setHidesOnDeactivate(false);
        panel->setContentView(std::make_shared<ProbeView>());
        panel->orderFront();
        return panel;
    }
    ProbeView& probe(Window& window) { return static_cast<ProbeView&>(*window.contentView()); }
};

inline Image solid(int width, int height, Color color) {
    return *Image::filled(width, height, color, ColorSpace::sRGB());
}

}  // namespace appkit_test
