// Screens in top-left coordinates, the Dock's settings and screen, usable frames.

#include "windows/access/screens.h"

#include "access_test_support.h"
#include "platform/defaults/foreign_preferences.h"

namespace access_test {
namespace {

using platform::Screen;
using platform::desktop::DisplayDescription;

class Screens : public AccessTest {
protected:
    // Counts the window-list entries the window server builds, to tell a search of one
    // window from a search of all.
    int entriesBuilt() { return faults().uses(FaultCall::windowListEntry, "kCGWindowStoreType"); }
    void countEntries() { faults().on(FaultCall::windowListEntry, "kCGWindowStoreType").answer(plist::Value(1)); }
    void setDock(const char* key, std::optional<plist::Value> value) {
        world.preferences().setOwnerValue(key, std::move(value), "com.apple.dock");
    }
};

TEST_F(Screens, FramesConvertWithTheFirstScreensHeightSoAHigherSecondScreenReachesAboveZero) {
    // AppKit: the second screen stands to the right and 200 points higher.
    world.displays().set({DisplayDescription{.frame = Rect{0, 0, 1440, 900}, .displayNumber = 5},
                          DisplayDescription{.frame = Rect{1440, 200, 1920, 1080}, .displayNumber = 6}});
    EXPECT_EQ(screenFrames(), (std::vector<Rect>{Rect{0, 0, 1440, 900}, Rect{1440, -380, 1920, 1080}}));
    EXPECT_EQ(screenFramesWithDisplays(),
              (std::vector<ScreenDisplay>{{5, Rect{0, 0, 1440, 900}}, {6, Rect{1440, -380, 1920, 1080}}}));
    const auto second = screenContaining({1500, -100});
    ASSERT_TRUE(second);
    EXPECT_EQ(second->displayNumber(), 6u);
    EXPECT_EQ(screenDisplayFrame(*second), (DisplayFrame{6, Rect{1440, -380, 1920, 1080}}));
    // Right and bottom edges belong to no screen; a point in no screen gets the first.
    EXPECT_EQ(screenContaining({1440, 100})->displayNumber(), 6u);
    EXPECT_EQ(screenContaining({1439.5, 899.5})->displayNumber(), 5u);
    EXPECT_EQ(screenContaining({1500, 800})->displayNumber(), 5u);  // below the second screen, in no screen
    EXPECT_EQ(screenForRect({1600, -300, 100, 100})->displayNumber(), 6u);
}

TEST_F(Screens, AScreenWithoutADisplayNumberIsNamedByNone) {
    world.displays().set({DisplayDescription{.displayNumber = 5},
                          DisplayDescription{.frame = Rect{1440, 0, 800, 600}, .displayNumber = 6}});
    const auto screens = Screen::screens();
    EXPECT_EQ(screenNumber(screens[0]), 5u);
    const std::pair<std::optional<plist::Value>, std::optional<uint32_t>> numbers[] = {
        {plist::Value("six"), std::nullopt},
        {std::nullopt, std::nullopt},
        {plist::Value(int64_t{-3}), std::nullopt},
        {plist::Value(6.0), 6u},
    };
    for (const auto& [value, number] : numbers) {
        world.displays().setDeviceDescriptionValue(6, "NSScreenNumber", value);
        EXPECT_EQ(screenNumber(screens[1]), number);
        EXPECT_EQ(screenDisplayFrame(screens[1]).has_value(), number.has_value());
        EXPECT_EQ(screenFramesWithDisplays()[1].display, number);
    }
}

TEST_F(Screens, TheBestFrameHoldsTheMidpointElseOverlapsMostElseIsTheFirst) {
    const std::vector<Rect> frames{Rect{0, 0, 100, 100}, Rect{120, 0, 100, 100}};
    EXPECT_EQ(bestFrameIndex({150, 10, 20, 20}, frames), 1u);
    EXPECT_EQ(bestFrameIndex({95, 10, 40, 20}, frames), 1u);    // midpoint in the gap; 15 × 20 against 5 × 20
    EXPECT_EQ(bestFrameIndex({70, 10, 40, 20}, frames), 0u);    // 30 × 20 against none
    EXPECT_EQ(bestFrameIndex({90, 10, 40, 20}, frames), 0u);    // equal overlaps: the earlier frame
    EXPECT_EQ(bestFrameIndex({500, 500, 10, 10}, frames), 0u);  // on no screen at all
    EXPECT_EQ(bestFrameIndex({0, 0, 10, 10}, {}), std::nullopt);
    // The midpoint test is half-open too: the first frame's right edge is outside it.
    EXPECT_EQ(bestFrameIndex({-10, 40, 220, 20}, {Rect{0, 0, 100, 100}, Rect{100, 0, 100, 100}}), 1u);
}

TEST_F(Screens, DockSettingsReadExactValuesAndFallBackToABottomDockThatStays) {
    EXPECT_EQ(dockSettings(), (DockSettings{DockEdge::bottom, false}));
    setDock("orientation", plist::Value("left"));
    setDock("autohide", plist::Value(true));
    EXPECT_EQ(dockSettings(), (DockSettings{DockEdge::left, true}));
    setDock("orientation", plist::Value("right"));
    EXPECT_EQ(dockSettings().edge, DockEdge::right);
    setDock("orientation", plist::Value("Left"));
    EXPECT_EQ(dockSettings().edge, DockEdge::bottom);
    setDock("orientation", plist::Value(1));
    setDock("autohide", plist::Value("maybe"));
    EXPECT_EQ(dockSettings(), (DockSettings{DockEdge::bottom, false}));
}

TEST_F(Screens, AHiddenDocksStripBelongsToTheUsableFrameOnEveryEdge) {
    // A 1080-point screen whose visible frame runs from 25 to 1076 in top-left points.
    world.displays().set({DisplayDescription{.frame = Rect{0, 0, 1920, 1080}, .visibleFrame = Rect{0, 4, 1920, 1051}}});
    EXPECT_EQ(usableFrameForRect({100, 100, 50, 50}), (Rect{0, 25, 1920, 1051}));
    setDock("autohide", plist::Value(true));
    EXPECT_EQ(usableFrameForRect({100, 100, 50, 50}), (Rect{0, 25, 1920, 1055}));
    EXPECT_EQ(usableFrameAtPoint({5000, 5000}), (Rect{0, 25, 1920, 1055}));  // no screen holds it: the first

    const Rect screen{0, 0, 1000, 800};
    const DockSettings hiddenBottom{DockEdge::bottom, true};
    EXPECT_EQ(extendOverHiddenDock(hiddenBottom, screen, {0, 800, 1000, 10}), (Rect{0, 800, 1000, 0}));
    EXPECT_EQ(extendOverHiddenDock(hiddenBottom, screen, {0, 850, 1000, 10}), (Rect{0, 850, 1000, 0}));  // never below 0
    EXPECT_EQ(extendOverHiddenDock({DockEdge::left, true}, screen, {4, 25, 996, 775}), (Rect{0, 25, 1000, 775}));
    EXPECT_EQ(extendOverHiddenDock({DockEdge::right, true}, screen, {0, 25, 996, 775}), (Rect{0, 25, 1000, 775}));
    EXPECT_EQ(extendOverHiddenDock({DockEdge::left, false}, screen, {4, 25, 996, 775}), (Rect{4, 25, 996, 775}));
}

TEST_F(Screens, ClampingMovesARectangleIntoItsBoundsAndNeverResizesIt) {
    const Rect bounds{0, 0, 1000, 600};
    EXPECT_EQ(clampRect({-50, 100, 300, 200}, bounds), (Rect{0, 100, 300, 200}));
    EXPECT_EQ(clampRect({900, 100, 300, 200}, bounds), (Rect{700, 100, 300, 200}));
    EXPECT_EQ(clampRect({300, 100, 1200, 200}, bounds), (Rect{0, 100, 1200, 200}));
    EXPECT_EQ(clampRect({300, 500, 300, 800}, bounds), (Rect{300, 0, 300, 800}));
    EXPECT_EQ(clampRect({300, 500, 300, 200}, bounds), (Rect{300, 400, 300, 200}));
}

TEST_F(Screens, WithoutScreensThereIsNoScreenAndNoUsableFrame) {
    world.displays().set({});
    EXPECT_TRUE(screenFrames().empty());
    EXPECT_TRUE(screenFramesWithDisplays().empty());
    EXPECT_FALSE(screenContaining({0, 0}));
    EXPECT_FALSE(screenForRect({0, 0, 10, 10}));
    EXPECT_FALSE(usableFrameForRect({0, 0, 10, 10}));
    EXPECT_FALSE(usableFrameAtPoint({0, 0}));
    EXPECT_FALSE(dockScreenFrame());
}

TEST_F(Screens, TheDocksScreenIsFoundOnceByAFullSearchThenByItsWindowAlone) {
    world.displays().set({DisplayDescription{}, DisplayDescription{.frame = Rect{1440, 0, 1000, 800}}});
    countEntries();
    EXPECT_EQ(dockScreenFrame(), (Rect{0, 0, 1440, 900}));
    const int fullSearch = entriesBuilt();
    EXPECT_GT(fullSearch, 3);
    ASSERT_TRUE(world.dock().moveToDisplay(world.displays().all()[1]->number()));
    EXPECT_EQ(dockScreenFrame(), (Rect{1440, 100, 1000, 800}));
    EXPECT_EQ(entriesBuilt(), fullSearch + 1);  // the cached window alone

    // A restarted Dock has a new window: the cached one is gone, a full search finds it.
    world.dock().restart();
    const int beforeRestart = entriesBuilt();
    EXPECT_EQ(dockScreenFrame(), (Rect{1440, 100, 1000, 800}));
    EXPECT_GT(entriesBuilt(), beforeRestart + 3);
    const int afterRestart = entriesBuilt();
    EXPECT_TRUE(dockScreenFrame());
    EXPECT_EQ(entriesBuilt(), afterRestart + 1);

    // No Dock window at all: nothing, and the next call searches everything again.
    faults().on(FaultCall::windowListEntry, "kCGWindowOwnerName").forWindow(world.dock().window()->number()).missing();
    EXPECT_FALSE(dockScreenFrame());
    faults().clear();
    countEntries();
    EXPECT_TRUE(dockScreenFrame());
    EXPECT_GT(entriesBuilt(), 3);
}

TEST_F(Screens, TheDockWindowMustBeTheDocksAtTheDockLevelWithItsMidpointOnAScreen) {
    const std::vector<Rect> frames{Rect{0, 0, 1440, 900}};
    auto entry = [](const char* owner, int64_t layer, int64_t number, Rect bounds) {
        plist::Value value = windowEntry(number, 0, layer, bounds, std::nullopt);
        value.dictionary()->set("kCGWindowOwnerName", owner);
        return value;
    };
    const Rect strip{0, 830, 1440, 70};
    EXPECT_FALSE(dockWindowScreen(plist::Array{entry("Docker", 20, 7, strip), entry("Dock", 0, 8, strip)}, frames));
    EXPECT_FALSE(dockWindowScreen(plist::Array{entry("Dock", 20, 9, Rect{2000, 0, 10, 10})}, frames));
    EXPECT_EQ(dockWindowScreen(plist::Array{entry("Dock", 20, 9, Rect{2000, 0, 10, 10}), entry("Dock", 20, 10, strip)}, frames),
              (DockWindowScreen{10, frames[0]}));
    EXPECT_FALSE(dockWindowScreen(plist::Array{plist::Value("not an entry")}, frames));
}

}  // namespace
}  // namespace access_test
