#pragma once

// What the changed-windows tests share: a simulated desktop with the program's
// application object, an editor whose windows the cases use, injected mouse input by
// top-left points, an engine that records what it is asked, and a changed window as its
// stand-in's handlers see it.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/application.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_router.h"
#include "platform/graphics/image.h"
#include "platform/runtime/main_loop.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/target_window.h"
#include "windows/changed/stand_in_responder.h"
#include "windows/changed/window_effects_services.h"

namespace changed_test {

using namespace furlpane;
using platform::ClockKind;
using platform::Image;
using platform::MainLoop;
using platform::Point;
using platform::Rect;
using platform::Size;
namespace desktop = platform::desktop;

// The engine's services as calls written out, one line each, in the order they ran.
class RecordingEngine : public WindowEffectsServices {
public:
    std::vector<std::string> calls;

    bool isEnding() const override { return false; }
    void onMainActor(Request request) override;
    platform::Task<void> settled(int32_t processIdentifier) override;
    platform::Task<void> act(WindowAction action, TargetWindow target, std::optional<Point> thumbnailOrigin,
                             bool raisesWindow, bool inSlowMotion) override;
    platform::Task<void> performFromTrigger(WindowAction action, TargetWindow target,
                                            std::optional<Point> thumbnailOrigin, bool inSlowMotion) override;
    // Runs `then` at once, as the engine does once the window is back.
    platform::Task<void> changeState(std::shared_ptr<AffectedWindow> window, bool interactive, bool inSlowMotion,
                                     std::function<void()> then) override;
    platform::Task<void> restoreWindows(std::shared_ptr<AffectedWindow> window, bool inSlowMotion) override;
    platform::Task<void> restoreOnActiveSpace(std::shared_ptr<AffectedWindow> window, bool inSlowMotion) override;

    // settled() of this process waits until release().
    void holdBusy(int32_t processIdentifier) { busy_ = processIdentifier; }
    void release();

private:
    int32_t busy_ = 0;
    platform::ContinuationList waiting_;
};

// A changed window showing a stand-in of some kind, recording what its own parts are
// asked.
class FakeSubject : public StandInSubject {
public:
    explicit FakeSubject(TargetWindow target) : target_(std::move(target)) {}
    StandInKind kind = StandInKind::titleStrip;
    std::vector<std::string> calls;

    StandInKind standIn() const override { return kind; }
    const TargetWindow& target() const override { return target_; }
    std::shared_ptr<AffectedWindow> changedWindow() override { return nullptr; }
    void engage() override { calls.push_back("engage"); }
    void endDrag(StandInPanel&) override { calls.push_back("endDrag"); }
    void hoverChanged(bool hovered) override { calls.push_back(hovered ? "hover on" : "hover off"); }

private:
    TargetWindow target_;
};

// An image of one colour.
Image solid(int width, int height, platform::Color color, platform::ColorSpace space = platform::ColorSpace::sRGB());

class ChangedTest : public ::testing::Test {
protected:
    ChangedTest();

    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop};
    platform::Application& app = platform::Application::shared();

    // An editor ("com.example.Editor", "Editor") with the given windows, frontmost.
    desktop::Application& editor(std::vector<desktop::WindowSpec> windows);
    // The editor's window "Draft" at (300, 200, 400, 300).
    desktop::Window& draftWindow() { return *editor({{.title = "Draft", .frame = Rect{300, 200, 400, 300}}}).windows()[0]; }
    std::optional<TargetWindow> target(const desktop::Window& window);
    // Where the window stands from the front of the world's stacking order.
    long stackIndex(uint32_t number) const;
    // Gives the program a 64-point orange icon.
    void giveTheProgramAnIcon() { app.setApplicationIconImage(solid(64, 64, platform::Color::rgb(0.9, 0.5, 0.1))); }

    // Input as the user makes it, injected and run to its end.
    void inject(const std::vector<platform::EventRecord>& events);
    void moveTo(Point p);
    void press(Point p, uint64_t flags = 0);
    void dragTo(Point p, uint64_t flags = 0);
    void release(Point p, uint64_t flags = 0);
    void click(Point p, uint64_t flags = 0);
    void doubleClick(Point p, uint64_t flags = 0);
    void rightClick(Point p);
    // Moves the clock past the double-click interval, so that the next press counts 1.
    void pause() { loop.advance(1.0); }

    // AppKit rectangle of a top-left one.
    Rect appKit(const Rect& topLeft) const;
};

}  // namespace changed_test
