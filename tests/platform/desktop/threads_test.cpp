// The world on the real clock: queue jobs on threads of their own read and change it
// while the main thread reads it. Run under ThreadSanitizer (build/tsan) these cases
// show that every read and every change goes through the world's lock; in the other
// builds they check that nothing a job writes is seen torn or lost.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/accessibility/accessibility.h"
#include "platform/accessibility/world_elements.h"
#include "platform/appkit/application.h"
#include "platform/appkit/window.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/dispatch_queue.h"
#include "platform/windowserver/private_spaces.h"
#include "platform/windowserver/private_window_server.h"
#include "platform/windowserver/window_capture.h"
#include "platform/windowserver/window_list.h"

namespace platform {
namespace {

using desktop::Desktop;

constexpr int kRounds = 150;

// Every job writes frames whose x equals their y and whose width is twice it, so a frame
// read half-way through one change would show at once. (Position and size written
// through accessibility are two changes: between them the old width is sound.)
Rect diagonalFrame(int step) {
    const double d = 100 + step;
    return {d, d, 2 * d, 300};
}

bool isWhole(const Rect& r) { return r.minX() == r.minY() && r.height() == 300; }

bool isDiagonal(const Rect& r) { return isWhole(r) && r.width() == 2 * r.minX(); }

// Moves and resizes a window through accessibility, as the engine does from its queues,
// and reads back what it wrote.
void moveThroughAccessibility(AccessibilityElement element, int step) {
    const Rect frame = diagonalFrame(step);
    element.setAttributeValue("AXPosition", AccessibilityValue(frame.origin));
    element.setAttributeValue("AXSize", AccessibilityValue(frame.size));
    auto read = element.copyAttributeValues({"AXPosition", "AXSize", "AXTitle", "AXMinimized"});
    (void)read;
}

// Raises an application's backmost window and asks the window server what it knows of
// a window: the reads a queue of the program makes while others change the windows.
void readAndRaise(AccessibilityElement application, uint32_t number, int round) {
    auto listed = application.copyAttributeValue("AXWindows");
    if (listed.ok() && listed->array() && !listed->array()->empty()) {
        if (const auto* window = listed->array()->back().element()) window->performAction("AXRaise");
    }
    (void)WindowList::copyWindowInfo(WindowList::onScreenOnly, 0);
    const int32_t connection = windowServerMainConnection();
    Rect bounds;
    windowServerWindowBounds(connection, number, &bounds);
    if (round % 25 == 0) (void)windowServerHardwareCapture(connection, &number, 1, 0);
    (void)windowServerSpacesForWindows(connection, space_selectors::all, plist::Array{plist::Value(number)});
    (void)windowServerManagedDisplaySpaces(connection);
}

struct RealClockWorld {
    MainLoop loop{ClockKind::real};
    Desktop world{loop};
    desktop::Application& editor = world.application("com.example.Editor")
                                       .window({.title = "One", .frame = diagonalFrame(0)})
                                       .window({.title = "Two", .frame = diagonalFrame(0)})
                                       .add();
    std::atomic<int> jobsDone{0};

    // Runs the loop until `count` jobs have reported, reading the world meanwhile.
    template <class Read>
    void readUntilDone(int count, Read read) {
        while (jobsDone.load() < count) {
            read();
            loop.runInMode(modes::kDefault, 0.001, nullptr);
        }
        loop.runInMode(modes::kDefault, 0.01, nullptr);
    }
};

// Two queues move one window each through accessibility, a third reads the windows,
// raises them and lists them, while the main thread reads frames, renames the windows and
// hears the moves through an observer.
TEST(WorldThreads, QueueJobsMoveWindowsWhileTheMainThreadReadsThem) {
    RealClockWorld w;
    const std::vector<desktop::Window*> windows = w.editor.windows();
    ASSERT_EQ(windows.size(), 2u);
    int moves = 0;
    auto observer = AccessibilityProcessObserver::create(
        w.editor.pid(), [&moves](AccessibilityProcessObserver&, const AccessibilityElement&, const std::string&, void*) {
            ++moves;
        });
    ASSERT_TRUE(observer.ok());
    const AccessibilityElement application = AccessibilityElement::application(w.editor.pid());
    (*observer)->addNotification(application, "AXWindowMoved", nullptr);
    w.loop.add((*observer)->runLoopSource(), modes::kDefault);

    for (size_t q = 0; q < windows.size(); ++q) {
        const AccessibilityElement element = elementOf(*windows[q]);
        w.loop.queue("accessibility " + std::to_string(q)).async([&w, element] {
            for (int step = 1; step <= kRounds; ++step) moveThroughAccessibility(element, step);
            w.jobsDone.fetch_add(1);
        });
    }
    w.world.pictures().setCaptureCost(0);
    w.loop.queue("reader").async([&w, application, number = windows[0]->number()] {
        for (int round = 0; round < kRounds; ++round) readAndRaise(application, number, round);
        w.jobsDone.fetch_add(1);
    });
    int torn = 0;
    int renamed = 0;
    w.readUntilDone(3, [&] {
        for (const desktop::Window* window : windows) torn += !isWhole(window->frame());
        for (desktop::Window* window : w.world.windowsFrontToBack()) {
            if (window->pid() == w.editor.pid()) window->setTitle("Renamed " + std::to_string(++renamed));
        }
        (void)w.world.windowAt({150, 150});
        application.setMessagingTimeout(renamed % 2 ? 2.0f : 0.0f);  // shared with the reader's copy
    });
    EXPECT_EQ(torn, 0);
    for (const desktop::Window* window : windows) EXPECT_EQ(window->frame(), diagonalFrame(kRounds));
    EXPECT_GT(moves, 0);
}

TEST(WorldThreads, TheProgramsOwnWindowFollowsChangesMadeOnAQueue) {
    RealClockWorld w;
    Application::shared();  // the program's application, which its windows belong to
    auto own = std::make_shared<Window>(flipRect(diagonalFrame(0), w.world.displays().firstMaxY()),
                                        borderlessWindowMask);
    own->orderFront();
    const desktop::Window* record = w.world.window(own->windowNumber());
    ASSERT_TRUE(record);
    w.loop.queue("own window").async([&w, number = own->windowNumber()] {
        for (int step = 1; step <= kRounds; ++step) {
            if (desktop::Window* window = w.world.window(number)) window->setFrame(diagonalFrame(step));
        }
        w.jobsDone.fetch_add(1);
    });
    int torn = 0;
    w.readUntilDone(1, [&] {
        torn += !isDiagonal(own->topLeftFrame());
        torn += !isDiagonal(record->frame());
    });
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(own->topLeftFrame(), diagonalFrame(kRounds));
}

}  // namespace
}  // namespace platform
