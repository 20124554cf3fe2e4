#pragma once

// What the changed-windows tests share: a simulated desktop with the program's
// application object, an editor whose windows the cases use, injected mouse input by
// top-left points, an engine that records what it is asked, and a changed window as its
// stand-in's handlers see it.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility/world_elements.h"
#include "platform/appkit/application.h"
#include "platform/appkit/screen.h"
#include "platform/appkit/simulated_user.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_record.h"
#include "platform/events/event_router.h"
#include "platform/events/simulated_input.h"
#include "platform/graphics/image.h"
#include "platform/runtime/main_loop.h"
#include "settings/model/raw_enum.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/target_window.h"
#include "windows/changed/stand_in_responder.h"
#include "windows/changed/window_effects_services.h"

namespace changed_test {

using namespace furlpane;
using platform::ClockKind;
using platform::EventRecord;
using platform::EventType;
using platform::Image;
using platform::MainLoop;
using platform::Point;
using platform::Rect;
using platform::Size;
using platform::Task;
namespace desktop = platform::desktop;

inline std::string text(Raising raising) { return raising == Raising::bringForward ? "bringForward" : "inPlace"; }
inline std::string text(Speed speed) { return speed == Speed::slowMotion ? "slowMotion" : "normal"; }
inline std::string text(const std::optional<Point>& p) {
    return p ? "(" + std::to_string(int(p->x)) + "," + std::to_string(int(p->y)) + ")" : "none";
}
inline std::string text(WindowAction action) { return std::string(rawValue(action)); }

// The engine's services as calls written out, one line each, in the order they ran.
// What the engine would decide is set up by the test: which applications are busy,
// the place a new thumbnail gets, the remembered thumbnail origins, and whether the
// engine is ending.
class RecordingEngine : public WindowEffectsServices {
public:
    std::vector<std::string> calls;
    bool ending = false;
    std::optional<ThumbnailArrangement::Place> nextPlace;
    std::map<uint32_t, Point> origins;
    int requests = 0;

    bool isEnding() const override { return ending; }
    void onMainActor(Request request) override {
        ++requests;
        platform::spawnMain([this, request = std::move(request)]() -> Task<void> {
            auto task = request(*this);
            co_await task;
        });
    }
    // settled() of the process held busy waits until release().
    Task<void> settled(int32_t pid) override {
        calls.push_back("settled " + std::to_string(pid));
        if (pid == busy_) co_await waiting_.wait();
    }
    void holdBusy(int32_t pid) { busy_ = pid; }
    void release() {
        busy_ = 0;
        waiting_.resumeAll();
    }
    bool isBusy(int32_t pid) const override { return pid == busy_ || trips_.count(pid) > 0; }
    void markBusy(int32_t pid) override {
        calls.push_back("markBusy " + std::to_string(pid));
        ++trips_[pid];
    }
    // Ends the trip's count at once, as an engine whose application answers does once
    // the trip is over.
    Task<void> releaseAfterDockTrip(uint32_t window, DockTripDirection direction, Speed speed, int32_t pid) override {
        calls.push_back("releaseAfterDockTrip " + std::to_string(window) +
                        (direction == DockTripDirection::miniaturizing ? " in " : " out ") + text(speed));
        if (--trips_[pid] <= 0) trips_.erase(pid);
        co_return;
    }
    void refreshKnownTargets(int32_t pid, std::set<uint32_t> leftOut) override {
        std::string line = "refreshKnownTargets " + std::to_string(pid);
        for (uint32_t window : leftOut) line += " " + std::to_string(window);
        calls.push_back(line);
    }
    void forgetKnownTargets(int32_t pid) override { calls.push_back("forgetKnownTargets " + std::to_string(pid)); }
    // The application answers again at once, as one whose silence has just ended.
    Task<bool> answers(int32_t pid) override {
        calls.push_back("answers " + std::to_string(pid));
        co_return true;
    }
    std::optional<ThumbnailArrangement::Place> placeForNewThumbnail(const Rect&,
                                                                    const std::vector<Rect>& pending) override {
        calls.push_back("placeForNewThumbnail pending " + std::to_string(pending.size()));
        return nextPlace;
    }
    std::optional<Point> rememberedThumbnailOrigin(uint32_t window) const override {
        const auto found = origins.find(window);
        return found == origins.end() ? std::nullopt : std::optional<Point>(found->second);
    }
    void scheduleArrangement(std::shared_ptr<AffectedWindow>) override { calls.push_back("scheduleArrangement"); }
    void thumbnailWasMoved(std::shared_ptr<AffectedWindow>, Point to) override {
        calls.push_back("thumbnailWasMoved " + text(std::optional<Point>(to)));
    }
    void stateDidChange(std::shared_ptr<AffectedWindow>, Before) override { calls.push_back("stateDidChange"); }
    Task<void> forget(std::shared_ptr<AffectedWindow>) override { return note("forget"); }
    Task<void> forgetAndAnnounce(std::shared_ptr<AffectedWindow>) override { return note("forgetAndAnnounce"); }
    Task<void> act(WindowAction action, TargetWindow target, std::optional<Point> origin, Raising raises,
                   Speed speed) override {
        return note("act " + text(action) + " " + std::to_string(target.id) + " " + text(origin) + " " + text(raises) +
                    " " + text(speed));
    }
    Task<void> performFromTrigger(WindowAction action, TargetWindow target, std::optional<Point> origin,
                                  Speed speed) override {
        return note("performFromTrigger " + text(action) + " " + std::to_string(target.id) + " " + text(origin) + " " +
                    text(speed));
    }
    // Runs `then` at once, as the engine does once the window is back.
    Task<void> changeState(std::shared_ptr<AffectedWindow>, Raising interactive, Speed speed,
                           std::function<void()> then) override {
        calls.push_back("changeState " + text(interactive) + " " + text(speed) + (then ? " then" : ""));
        if (then) then();
        co_return;
    }
    Task<void> restoreWindows(std::shared_ptr<AffectedWindow>, Speed speed) override {
        return note("restoreWindows " + text(speed));
    }
    Task<void> restoreOnActiveSpace(std::shared_ptr<AffectedWindow>, Speed speed) override {
        return note("restoreOnActiveSpace " + text(speed));
    }

private:
    Task<void> note(std::string line) {
        calls.push_back(std::move(line));
        co_return;
    }
    int32_t busy_ = 0;
    std::map<int32_t, int> trips_;
    platform::ContinuationList waiting_;
};

// An image of one colour.
inline Image solid(int width, int height, platform::Color color,
                   platform::ColorSpace space = platform::ColorSpace::sRGB()) {
    return *Image::filled(width, height, color, space);
}

class ChangedTest : public ::testing::Test {
protected:
    ChangedTest() { systemWideElement().setMessagingTimeout(0.25f); }

    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop};
    platform::Application& app = platform::Application::shared();

    // An editor ("com.example.Editor", "Editor") with the given windows, frontmost.
    desktop::Application& editor(std::vector<desktop::WindowDescription> windows) {
        auto builder = world.application("com.example.Editor");
        builder.named("Editor");
        for (auto& description : windows) builder.window(std::move(description));
        return builder.add();
    }
    // The editor's window "Draft" at (300, 200, 400, 300).
    desktop::Window& draftWindow() { return *editor({{.title = "Draft", .frame = Rect{300, 200, 400, 300}}}).windows()[0]; }
    std::optional<TargetWindow> target(const desktop::Window& window) {
        return TargetWindow::create(platform::elementOf(window));
    }
    // Where the window stands from the front of the world's stacking order.
    long stackIndex(uint32_t number) const {
        const auto order = world.windowsFrontToBack();
        return std::find_if(order.begin(), order.end(), [number](auto* w) { return w->number() == number; }) -
               order.begin();
    }
    // Gives the program a 64-point orange icon.
    void giveTheProgramAnIcon() { app.setApplicationIconImage(solid(64, 64, platform::Color::rgb(0.9, 0.5, 0.1))); }

    // Input as the user makes it, injected and run to its end.
    void inject(const std::vector<EventRecord>& events) {
        platform::injectEvents(events);
        loop.runUntilIdle();
    }
    void mouse(EventType type, Point p, uint64_t flags = 0) { inject({EventRecord::mouse(type, p, flags)}); }
    void moveTo(Point p) { mouse(EventType::mouseMoved, p); }
    void press(Point p, uint64_t flags = 0) { mouse(EventType::leftMouseDown, p, flags); }
    void dragTo(Point p, uint64_t flags = 0) { mouse(EventType::leftMouseDragged, p, flags); }
    void release(Point p, uint64_t flags = 0) { mouse(EventType::leftMouseUp, p, flags); }
    void click(Point p, uint64_t flags = 0) { inject(platform::input_sequences::click(p, flags)); }
    void doubleClick(Point p, uint64_t flags = 0) { inject(platform::input_sequences::doubleClick(p, flags)); }
    void rightClick(Point p) {
        inject({EventRecord::mouse(EventType::rightMouseDown, p), EventRecord::mouse(EventType::rightMouseUp, p)});
    }
    // Moves the clock past the double-click interval, so that the next press counts 1.
    void pause() { loop.advance(1.0); }

    // AppKit rectangle of a top-left one.
    Rect appKit(const Rect& topLeft) const { return platform::flipRect(topLeft, platform::Screen::flipHeight()); }
};

}  // namespace changed_test
