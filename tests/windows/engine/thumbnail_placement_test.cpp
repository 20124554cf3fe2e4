// Where thumbnails go: the place of a new one, the screens' usable frames over a Dock
// that hides itself, spots the user dropped thumbnails at and how they follow their
// displays, and one arrangement for a burst of requests.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "recovery_test_support.h"

namespace engine_test {
namespace {

using Spot = WindowEffects::RememberedSpot;
using Place = ThumbnailArrangement::Place;
using Corner = ThumbnailArrangement::Corner;

constexpr uint32_t kMain = 1;
constexpr uint32_t kSide = 2;

// Two displays side by side, the second (display 2) 1024 × 768 to the right of the first.
void twoDisplays(Scene& scene, Rect side = {1280, 32, 1024, 768}) {
    scene.world.displays().set({{.frame = {0, 0, 1280, 800}, .backingScaleFactor = 1, .displayNumber = kMain},
                                {.frame = side, .backingScaleFactor = 1, .displayNumber = kSide}});
}

TEST(ThumbnailPlacement, CarriesSpotsWithTheirDisplays) {
    const std::vector<ScreenDisplay> screens{{kMain, {0, 0, 1280, 800}}, {kSide, {1380, 0, 1024, 768}},
                                             {std::nullopt, {0, 800, 1280, 800}}};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* name;
        Spot spot;
        std::optional<Spot> carried;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"on a display that stayed", {{100, 50}, Spot::LeftOn{kMain, {0, 0}}}, Spot{{100, 50}, Spot::LeftOn{kMain, {0, 0}}}},
             {"on a display moved 100 points right",
              {{1300, 50}, Spot::LeftOn{kSide, {1280, 0}}},
              Spot{{1400, 50}, Spot::LeftOn{kSide, {1380, 0}}}},
             {"beyond its display's new frame", {{2350, 50}, Spot::LeftOn{kSide, {1280, 0}}}, std::nullopt},
             {"on a display that is gone", {{100, 50}, Spot::LeftOn{7, {0, 0}}}, std::nullopt},
             {"dropped outside every screen", {{-500, -500}, std::nullopt}, std::nullopt},
             {"at a point that is no number", {{nan, 50}, Spot::LeftOn{kMain, {0, 0}}}, std::nullopt},
         }) {
        const auto carried = WindowEffects::carrySpots({{7, row.spot}}, screens);
        const auto found = carried.find(7);
        EXPECT_EQ(found == carried.end() ? std::nullopt : std::optional(found->second), row.carried) << row.name;
    }
}

TEST(ThumbnailPlacement, UsableFramesReachOverADockThatHidesItself) {
    Scene scene(0);
    const auto* display = scene.world.displays().first();
    const Rect frame = scene.world.displays().topLeftFrame(*display);
    struct Row {
        const char* name;
        desktop::DockEdge edge;
        bool hides;
    };
    for (const Row& row : {Row{"bottom, staying", desktop::DockEdge::bottom, false},
                           Row{"bottom, hiding", desktop::DockEdge::bottom, true},
                           Row{"left, hiding", desktop::DockEdge::left, true},
                           Row{"right, hiding", desktop::DockEdge::right, true}}) {
        SCOPED_TRACE(row.name);
        scene.world.dock().setEdge(row.edge);
        scene.world.dock().setAutohides(row.hides);
        const Rect visible = scene.world.displays().topLeftVisibleFrame(*display);
        const auto screens = WindowEffects::screensWithUsableFrames();
        ASSERT_EQ(screens.frames, std::vector<Rect>{frame});
        ASSERT_EQ(screens.usable.size(), 1u);
        const Rect usable = screens.usable[0];
        EXPECT_EQ(usable.minY(), visible.minY());
        EXPECT_EQ(usable.maxY(), row.hides && row.edge == desktop::DockEdge::bottom ? frame.maxY() : visible.maxY());
        EXPECT_EQ(usable.minX(), row.hides && row.edge == desktop::DockEdge::left ? frame.minX() : visible.minX());
        EXPECT_EQ(usable.maxX(), row.hides && row.edge == desktop::DockEdge::right ? frame.maxX() : visible.maxX());
    }
}

TEST(ThumbnailPlacement, ANewThumbnailTakesTheNextCellOfItsWindowsScreen) {
    Scene scene(0);
    twoDisplays(scene);
    scene.preferences->setThumbnailScale(0.5);  // cells of 64 points
    const auto screens = WindowEffects::screensWithUsableFrames();
    auto cell = [&](size_t screen, int index) {
        const Rect usable = screens.usable[screen];
        return Place{{usable.minX() + 4, usable.minY() + 4 + 68.0 * index, 64, 64}, Corner::topLeft};
    };
    const Rect onMain{100, 100, 400, 300};
    const Rect onSide{1400, 100, 400, 300};
    EXPECT_EQ(scene.engine->placeForNewThumbnail(onMain, {}), std::nullopt) << "arranging is off";

    scene.preferences->setArrangesThumbnails(true);
    struct Row {
        const char* name;
        Rect frame;
        std::vector<Rect> pending;
        Place place;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"alone", onMain, {}, cell(0, 0)},
             {"on the second screen", onSide, {}, cell(1, 0)},
             {"outside every screen", {-5000, -5000, 100, 100}, {}, cell(0, 0)},
             {"after one placed earlier in its group", onMain, {cell(0, 0).square}, cell(0, 1)},
             {"beside one placed on another screen", onMain, {cell(1, 0).square}, cell(0, 0)},
         }) {
        EXPECT_EQ(scene.engine->placeForNewThumbnail(row.frame, row.pending), row.place) << row.name;
    }
}

TEST(ThumbnailPlacement, ADroppedThumbnailsSpotIsRememberedWithItsDisplay) {
    Scene scene(1);
    twoDisplays(scene);
    const auto window = AffectedWindow::create(scene.target(scene.window(0)), scene.engine);
    const uint32_t number = window->target().id;
    const Rect side = scene.world.displays().topLeftFrame(*scene.world.displays().find(kSide));

    scene.engine->thumbnailWasMoved(window, {side.minX() + 20, side.minY() + 30});
    EXPECT_EQ(scene.engine->thumbnailOrigins().at(number),
              (Spot{{side.minX() + 20, side.minY() + 30}, Spot::LeftOn{kSide, side.origin}}));
    EXPECT_TRUE(scene.engine->thumbnailsPlacedByHand().empty()) << "arranging is off";
    EXPECT_FALSE(scene.engine->isArrangementPending());

    scene.preferences->setArrangesThumbnails(true);
    scene.engine->thumbnailWasMoved(window, {-900, -900});
    EXPECT_EQ(scene.engine->thumbnailOrigins().at(number), (Spot{{-900, -900}, std::nullopt}));
    EXPECT_EQ(scene.engine->thumbnailsPlacedByHand(), std::set<uint32_t>{number});
    EXPECT_TRUE(scene.engine->isArrangementPending());

    // Its stand-in goes: it is no longer placed by hand, but its spot stays until the
    // screens change and it lies on none of them.
    scene.engine->scheduleArrangement(window);
    EXPECT_TRUE(scene.engine->thumbnailsPlacedByHand().empty());
    EXPECT_EQ(scene.engine->rememberedThumbnailOrigin(number), (Point{-900, -900}));
    scene.engine->screenParametersChanged();
    EXPECT_EQ(scene.engine->rememberedThumbnailOrigin(number), std::nullopt);
}

TEST(ThumbnailPlacement, ABurstOfRequestsQueuesOneArrangement) {
    Scene scene(1);
    scene.preferences->setArrangesThumbnails(true);
    const auto window = AffectedWindow::create(scene.target(scene.window(0)), scene.engine);
    // A job queued before the burst holds the chain, so that all three meet one pending
    // arrangement.
    auto order = std::make_shared<std::vector<std::string>>();
    scene.engine->queueStep([order](WindowEffects& effects) {
        order->push_back(effects.isArrangementPending() ? "pending" : "idle");
    });
    scene.engine->scheduleArrangement(window);
    scene.engine->screenParametersChanged();
    scene.engine->thumbnailWasMoved(window, {10, 40});
    scene.engine->queueStep([order](WindowEffects& effects) {
        order->push_back(effects.isArrangementPending() ? "pending" : "idle");
    });
    scene.loop.runUntilIdle();
    EXPECT_EQ(*order, (std::vector<std::string>{"pending", "idle"}));

    scene.engine->screenParametersChanged();
    EXPECT_TRUE(scene.engine->isArrangementPending()) << "a request after the job ran queues another";
    scene.loop.runUntilIdle();
    EXPECT_FALSE(scene.engine->isArrangementPending());
}

}  // namespace
}  // namespace engine_test
