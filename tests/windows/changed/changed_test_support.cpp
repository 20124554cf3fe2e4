#include "changed_test_support.h"

#include <algorithm>

#include "platform/appkit/screen.h"
#include "platform/events/event_record.h"
#include "settings/model/raw_enum.h"

namespace changed_test {

using platform::EventRecord;
using platform::EventType;
using platform::Task;

namespace {

std::string text(bool on) { return on ? "true" : "false"; }
std::string text(const std::optional<Point>& p) {
    return p ? "(" + std::to_string(int(p->x)) + "," + std::to_string(int(p->y)) + ")" : "none";
}
std::string text(WindowAction action) { return std::string(rawValue(action)); }

}  // namespace

void RecordingEngine::onMainActor(Request request) {
    platform::spawnMain([this, request = std::move(request)]() -> Task<void> {
        auto task = request(*this);
        co_await task;
    });
}

Task<void> RecordingEngine::settled(int32_t processIdentifier) {
    calls.push_back("settled " + std::to_string(processIdentifier));
    if (processIdentifier == busy_) co_await waiting_.wait();
}

void RecordingEngine::release() {
    busy_ = 0;
    waiting_.resumeAll();
}

Task<void> RecordingEngine::act(WindowAction action, TargetWindow target, std::optional<Point> thumbnailOrigin,
                                bool raisesWindow, bool inSlowMotion) {
    calls.push_back("act " + text(action) + " " + std::to_string(target.id) + " " + text(thumbnailOrigin) +
                    " raises " + text(raisesWindow) + " slow " + text(inSlowMotion));
    co_return;
}

Task<void> RecordingEngine::performFromTrigger(WindowAction action, TargetWindow target,
                                               std::optional<Point> thumbnailOrigin, bool inSlowMotion) {
    calls.push_back("performFromTrigger " + text(action) + " " + std::to_string(target.id) + " " +
                    text(thumbnailOrigin) + " slow " + text(inSlowMotion));
    co_return;
}

Task<void> RecordingEngine::changeState(std::shared_ptr<AffectedWindow>, bool interactive, bool inSlowMotion,
                                        std::function<void()> then) {
    calls.push_back("changeState interactive " + text(interactive) + " slow " + text(inSlowMotion) +
                    (then ? " then" : ""));
    if (then) then();
    co_return;
}

Task<void> RecordingEngine::restoreWindows(std::shared_ptr<AffectedWindow>, bool inSlowMotion) {
    calls.push_back("restoreWindows slow " + text(inSlowMotion));
    co_return;
}

Task<void> RecordingEngine::restoreOnActiveSpace(std::shared_ptr<AffectedWindow>, bool inSlowMotion) {
    calls.push_back("restoreOnActiveSpace slow " + text(inSlowMotion));
    co_return;
}

Image solid(int width, int height, platform::Color color, platform::ColorSpace space) {
    return *Image::filled(width, height, color, space);
}

ChangedTest::ChangedTest() { systemWideElement().setMessagingTimeout(0.25f); }

desktop::Application& ChangedTest::editor(std::vector<desktop::WindowSpec> windows) {
    auto builder = world.application("com.example.Editor");
    builder.named("Editor");
    for (auto& spec : windows) builder.window(std::move(spec));
    return builder.add();
}

std::optional<TargetWindow> ChangedTest::target(const desktop::Window& window) {
    return TargetWindow::create(platform::AccessibilityElement::forWindow(window));
}

long ChangedTest::stackIndex(uint32_t number) const {
    const auto order = world.windowsFrontToBack();
    return std::find_if(order.begin(), order.end(), [number](auto* w) { return w->number() == number; }) -
           order.begin();
}

void ChangedTest::inject(const std::vector<EventRecord>& events) {
    platform::injectEvents(events);
    loop.runUntilIdle();
}

void ChangedTest::moveTo(Point p) { inject({EventRecord::mouse(EventType::mouseMoved, p)}); }
void ChangedTest::press(Point p, uint64_t flags) { inject({EventRecord::mouse(EventType::leftMouseDown, p, flags)}); }
void ChangedTest::dragTo(Point p, uint64_t flags) {
    inject({EventRecord::mouse(EventType::leftMouseDragged, p, flags)});
}
void ChangedTest::release(Point p, uint64_t flags) { inject({EventRecord::mouse(EventType::leftMouseUp, p, flags)}); }
void ChangedTest::click(Point p, uint64_t flags) { inject(platform::input_sequences::click(p, flags)); }
void ChangedTest::doubleClick(Point p, uint64_t flags) { inject(platform::input_sequences::doubleClick(p, flags)); }
void ChangedTest::rightClick(Point p) {
    inject({EventRecord::mouse(EventType::rightMouseDown, p), EventRecord::mouse(EventType::rightMouseUp, p)});
}

Rect ChangedTest::appKit(const Rect& topLeft) const {
    return platform::flipRect(topLeft, platform::Screen::flipHeight());
}

}  // namespace changed_test
