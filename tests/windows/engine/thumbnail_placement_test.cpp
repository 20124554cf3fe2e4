// Where thumbnails go: the place of a new one, spots the user dropped thumbnails at and
// how they follow their displays, and the line along an edge as the Dock and the screens
// change, never under a running transition.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

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

// A screen that goes leaves the program's stand-ins where they stood, for the program to
// place: each one that no screen shows comes inside the screen left at its own height,
// whatever placed it there and whether it is in sight or not; one that the screen left
// still shows stays where it is.
TEST(ThumbnailPlacement, StandInsOfAScreenThatGoesComeInsideTheScreenLeftAtTheirHeight) {
    const struct {
        const char* what;
        WindowAction action;
        bool arranges, hidden;
        double x;  // the second screen starts at 1280
    } cases[] = {
        {"a thumbnail placed by hand", WindowAction::minimizeInPlace, true, false, 1580},
        {"a thumbnail left where it stands", WindowAction::minimizeInPlace, false, false, 1580},
        {"the thumbnail of a hidden application", WindowAction::minimizeInPlace, false, true, 1580},
        {"a title strip", WindowAction::furlpane, false, false, 1580},
        {"a title strip the screen left still shows", WindowAction::furlpane, false, false, 1100},
    };
    for (const auto& c : cases) {
        Scene scene(1);
        twoDisplays(scene);
        scene.preferences->setArrangesThumbnails(c.arranges);
        scene.engine->start();
        const TargetWindow target = scene.target(scene.window(0));
        ASSERT_TRUE(platform::runToCompletion(
            scene.loop, scene.engine->act(c.action, target, std::nullopt, Raising::inPlace, Speed::normal)));
        scene.settle();
        const auto window = scene.engine->findAffected(target.id);
        ASSERT_TRUE(window && window->panel()) << c.what;
        setOwnWindowTopLeft(*window->panel(), {c.x, 200});
        if (c.arranges) scene.engine->thumbnailWasMoved(window, {c.x, 200});
        if (c.hidden) scene.editor.hide();
        scene.settle();
        ASSERT_TRUE(scene.world.displays().remove(kSide));
        scene.settle();
        scene.editor.unhide();
        scene.settle();
        const Rect frame = window->panel()->topLeftFrame();
        EXPECT_EQ(frame.origin, (Point{c.x < 1280 ? c.x : 1280 - frame.width(), 200})) << c.what;
        EXPECT_TRUE(window->panel()->isVisible()) << c.what;
    }
}

class Arranging : public ::testing::Test {
protected:
    Arranging() {
        scene.preferences->setThumbnailScale(0.5);  // cells of 64 points
        scene.preferences->setThumbnailOrder(ThumbnailOrder::rightFromTop);
        scene.preferences->setArrangesThumbnails(true);
        scene.world.dock().setEdge(desktop::DockEdge::right);
    }
    Scene scene{3};

    std::shared_ptr<AffectedWindow> thumbnail(size_t i) {
        const TargetWindow target = scene.target(scene.window(i));
        EXPECT_TRUE(platform::runToCompletion(
            scene.loop, scene.engine->act(WindowAction::minimizeInPlace, target, std::nullopt, Raising::inPlace,
                                          Speed::normal)));
        scene.settle();
        auto window = scene.engine->findAffected(target.id);
        EXPECT_TRUE(window && window->panel());
        return window;
    }
    // The top-right corner of the window's thumbnail.
    static Point corner(const AffectedWindow& window) {
        const Rect frame = window.panel()->topLeftFrame();
        return {frame.maxX(), frame.minY()};
    }
    // The top-right corner of the cell down the right edge of the usable frame.
    Point cell(int index) const {
        const Rect usable = WindowEffects::screensWithUsableFrames().usable.at(0);
        return {usable.maxX() - 4, usable.minY() + 4 + 68.0 * index};
    }
};

// Thumbnails line up down the right edge; when the Dock there starts hiding itself they
// follow the edge out; one the user drops elsewhere stays, and the others close up.
TEST_F(Arranging, ThumbnailsFollowTheEdgeAndMakeRoomForOneDroppedByHand) {
    const auto first = thumbnail(0);
    const auto second = thumbnail(1);
    ASSERT_TRUE(first && first->panel() && second && second->panel());
    EXPECT_EQ(corner(*first), cell(0));
    EXPECT_EQ(corner(*second), cell(1));

    const double before = cell(0).x;
    scene.world.dock().setAutohides(true);
    scene.engine->screenParametersChanged();
    scene.settle();
    EXPECT_GT(cell(0).x, before);
    EXPECT_EQ(corner(*first), cell(0));
    EXPECT_EQ(corner(*second), cell(1));

    setOwnWindowTopLeft(*first->panel(), {300, 300});
    scene.engine->thumbnailWasMoved(first, {300, 300});
    scene.settle();
    EXPECT_EQ(first->panel()->topLeftFrame().origin, (Point{300, 300}));
    EXPECT_EQ(corner(*second), cell(0));
}

// Thumbnails never move under a running transition: the arrangement waits for it.
TEST_F(Arranging, AnArrangementWaitsForTheRunningTransition) {
    const auto first = thumbnail(0);
    ASSERT_TRUE(first && first->panel());
    const Point placed = corner(*first);
    // A transition that plays, at a few frames a second to keep the case quick.
    scene.world.displays().setRefreshRate(scene.world.displays().first()->number(), 10);
    scene.preferences->setAnimatesTransitions(true);
    const TargetWindow target = scene.target(scene.window(1));
    scene.engine->onMainActor(WindowEffects::Job([target](WindowEffects& effects) {
        return effects.act(WindowAction::furlpane, target, std::nullopt, Raising::inPlace, Speed::normal);
    }));
    for (int i = 0; i < 100 && StandInTransition::running().empty(); ++i) scene.loop.advance(0.01);
    ASSERT_FALSE(StandInTransition::running().empty());

    scene.world.dock().setAutohides(true);
    scene.engine->screenParametersChanged();
    scene.loop.advance(0.02);
    EXPECT_TRUE(scene.engine->isArrangementPending());
    EXPECT_EQ(corner(*first), placed);

    scene.settle();
    EXPECT_TRUE(StandInTransition::running().empty());
    EXPECT_FALSE(scene.engine->isArrangementPending());
    EXPECT_EQ(corner(*first), cell(0));
    EXPECT_NE(corner(*first), placed);
}

// Thumbnails made one after another, each while the transitions of those before it still
// play, take cells of their own in the order they were made, and keep them.
TEST(ThumbnailPlacement, ThumbnailsMadeWhileOthersStillArriveTakeCellsOfTheirOwn) {
    for (const int count : {2, 3}) {
        for (const double apart : {0.1, 0.3, 0.6}) {
            SCOPED_TRACE(std::to_string(count) + " thumbnails " + std::to_string(apart) + " s apart");
            Scene scene(count);
            // Transitions that play, on a small display at a few frames a second and over
            // small windows, to keep the case quick.
            scene.world.displays().set({{.frame = {0, 0, 640, 400}, .backingScaleFactor = 1}});
            scene.world.displays().setRefreshRate(scene.world.displays().first()->number(), 10);
            for (int i = 0; i < count; ++i) scene.window(i).setFrame({150.0 + 160 * i, 120, 150, 100});
            scene.preferences->setAnimatesTransitions(true);
            scene.preferences->setThumbnailScale(0.5);  // cells of 64 points
            scene.preferences->setArrangesThumbnails(true);
            // Found before the first trip, while the application still answers.
            std::vector<TargetWindow> targets;
            for (int i = 0; i < count; ++i) targets.push_back(scene.target(scene.window(i)));
            for (const TargetWindow& target : targets) {
                scene.engine->onMainActor(WindowEffects::Job([target](WindowEffects& effects) {
                    return effects.act(WindowAction::minimizeInPlace, target, std::nullopt, Raising::inPlace,
                                       Speed::normal);
                }));
                scene.loop.advance(apart);
            }
            scene.settle();
            const Rect usable = WindowEffects::screensWithUsableFrames().usable.at(0);
            for (int i = 0; i < count; ++i) {
                const auto window = scene.engine->findAffected(scene.window(i).number());
                ASSERT_TRUE(window && window->panel());
                const Point cell{usable.minX() + 4, usable.minY() + 4 + 68.0 * i};
                EXPECT_EQ(window->panel()->topLeftFrame().origin, cell) << "thumbnail " << i;
            }
        }
    }
}

// Requests made before the queued arrangement starts (a drop, a change of the screens and
// a thumbnail gone, in one turn of the loop) queue one job; a request once it has run
// queues one more.
TEST_F(Arranging, RequestsBeforeTheQueuedJobStartsQueueOneArrangement) {
    const auto first = thumbnail(0);
    const auto second = thumbnail(1);
    ASSERT_TRUE(first && first->panel() && second && second->panel());
    const size_t idle = scene.loop.tasks().count();
    ASSERT_FALSE(scene.engine->isArrangementPending());

    scene.engine->thumbnailWasMoved(first, {300, 300});
    scene.engine->screenParametersChanged();
    scene.engine->scheduleArrangement(second);
    EXPECT_EQ(scene.loop.tasks().count(), idle + 1);
    EXPECT_TRUE(scene.engine->isArrangementPending());

    scene.settle();
    EXPECT_FALSE(scene.engine->isArrangementPending());
    EXPECT_EQ(scene.loop.tasks().count(), idle);
    scene.engine->screenParametersChanged();
    EXPECT_EQ(scene.loop.tasks().count(), idle + 1);
    scene.settle();
    EXPECT_EQ(scene.loop.tasks().count(), idle);
}

// Quick changes of size and edge, the later ones while the thumbnails still move for the
// first, end in the arrangement of the last settings: both thumbnails at their cells down
// the left edge at the new size, none left where an earlier change sent it.
TEST_F(Arranging, QuickChangesOfSizeAndEdgeEndInTheArrangementOfTheLastSettings) {
    const auto first = thumbnail(0);
    const auto second = thumbnail(1);
    ASSERT_TRUE(first && first->panel() && second && second->panel());
    scene.engine->start();
    scene.preferences->setThumbnailScale(0.75);
    scene.loop.advance(0.05);
    scene.preferences->setThumbnailOrder(ThumbnailOrder::leftFromTop);
    scene.loop.advance(0.05);
    scene.preferences->setThumbnailScale(1.0);  // cells of 128 points
    scene.settle();

    EXPECT_FALSE(scene.engine->isArrangementPending());
    const Rect usable = WindowEffects::screensWithUsableFrames().usable.at(0);
    const std::set<std::pair<double, double>> cells{{usable.minX() + 4, usable.minY() + 4},
                                                    {usable.minX() + 4, usable.minY() + 4 + 132}};
    std::set<std::pair<double, double>> origins;
    for (const auto& window : {first, second}) {
        const Rect frame = window->panel()->topLeftFrame();
        origins.insert({frame.minX(), frame.minY()});
        EXPECT_EQ(frame.size, window->layOutThumbnail(AffectedWindow::ThumbnailHover::resting).size);
    }
    EXPECT_EQ(origins, cells);
}

}  // namespace
}  // namespace engine_test
