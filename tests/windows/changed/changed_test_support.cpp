#include "changed_test_support.h"

#include "platform/appkit/screen.h"
#include "platform/events/event_record.h"
#include "settings/model/raw_enum.h"

namespace changed_test {

using platform::EventRecord;
using platform::EventType;
using platform::Task;

namespace {

std::string flag(bool on) { return on ? "true" : "false"; }

std::string point(const std::optional<Point>& p) {
    if (!p) return "none";
    return "(" + std::to_string(int(p->x)) + "," + std::to_string(int(p->y)) + ")";
}

}  // namespace

std::string describe(WindowAction action) { return std::string(rawValue(action)); }

void RecordingEngine::onMainActor(Request request) {
    platform::spawnMain([this, request = std::move(request)]() -> Task<void> {
        auto task = request(*this);
        co_await task;
    });
}

Task<void> RecordingEngine::settled(int32_t processIdentifier) {
    note("settled " + std::to_string(processIdentifier));
    if (processIdentifier == busy_) co_await waiting_.wait();
}

void RecordingEngine::release() {
    busy_ = 0;
    waiting_.resumeAll();
}

Task<void> RecordingEngine::act(WindowAction action, TargetWindow target, std::optional<Point> thumbnailOrigin,
                                bool raisesWindow, bool inSlowMotion) {
    note("act " + describe(action) + " " + std::to_string(target.id) + " " + point(thumbnailOrigin) + " raises " +
         flag(raisesWindow) + " slow " + flag(inSlowMotion));
    co_return;
}

Task<void> RecordingEngine::performFromTrigger(WindowAction action, TargetWindow target,
                                               std::optional<Point> thumbnailOrigin, bool inSlowMotion) {
    note("performFromTrigger " + describe(action) + " " + std::to_string(target.id) + " " + point(thumbnailOrigin) +
         " slow " + flag(inSlowMotion));
    co_return;
}

Task<void> RecordingEngine::changeState(std::shared_ptr<AffectedWindow>, bool interactive, bool inSlowMotion,
                                        std::function<void()> then) {
    note("changeState interactive " + flag(interactive) + " slow " + flag(inSlowMotion) + (then ? " then" : ""));
    if (then && runsThen) then();
    co_return;
}

Task<void> RecordingEngine::restoreWindows(std::shared_ptr<AffectedWindow>, bool inSlowMotion) {
    note("restoreWindows slow " + flag(inSlowMotion));
    co_return;
}

Task<void> RecordingEngine::restoreOnActiveSpace(std::shared_ptr<AffectedWindow>, bool inSlowMotion) {
    note("restoreOnActiveSpace slow " + flag(inSlowMotion));
    co_return;
}

ChangedTest::ChangedTest() { systemWideElement().setMessagingTimeout(0.25f); }

platform::desktop::Application& ChangedTest::editor(std::vector<platform::desktop::WindowSpec> windows) {
    auto builder = world.application("com.example.Editor");
    builder.named("Editor");
    for (auto& spec : windows) builder.window(std::move(spec));
    return builder.add();
}

std::optional<TargetWindow> ChangedTest::target(const platform::desktop::Window& window) {
    return TargetWindow::create(platform::AccessibilityElement::forWindow(window));
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
void ChangedTest::pause() { loop.advance(1.0); }

Rect ChangedTest::appKit(const Rect& topLeft) const {
    return platform::flipRect(topLeft, platform::Screen::flipHeight());
}

}  // namespace changed_test
