// The engine's entries for several windows of one application, the Dock trips they end
// in, the pictures of the way back, and the put-back at quit.

#include "affected_window_test_support.h"

namespace changed_test {
namespace {

class EntriesTest : public AffectedWindowTest {
protected:
    // The editor with windows side by side, each 120 × 90.
    std::vector<std::shared_ptr<AffectedWindow>> editorWindows(int count) {
        auto builder = world.application("com.example.Editor");
        builder.named("Editor");
        for (int i = 0; i < count; ++i) builder.window({.title = "Doc", .frame = Rect{20.0 + 130 * i, 100, 120, 90}});
        std::vector<std::shared_ptr<AffectedWindow>> changed;
        for (desktop::Window* w : builder.add().windows()) changed.push_back(changedWindow(*w));
        return changed;
    }
    int count(const std::string& prefix) const {
        return int(std::count_if(engine->calls.begin(), engine->calls.end(),
                                 [&](const std::string& call) { return call.starts_with(prefix); }));
    }
};

TEST_F(EntriesTest, ManyWindowsOfOneApplicationSentOneByOne) {
    preferences.setConcealsMinimizeAnimation(false);
    const auto windows = editorWindows(3);
    const std::vector<WindowState> goals{kShaded, kMinimizedInPlace, kShaded};
    for (size_t i = 0; i < windows.size(); ++i) {
        EXPECT_TRUE(run(windows[i]->switchWithoutStandIn(goals[i], Speed::slowMotion)));
        EXPECT_EQ(windows[i]->departure()->kind, standInFor(*goals[i].style));
    }
    for (size_t i = 0; i < windows.size(); ++i) {
        EXPECT_EQ(run(windows[i]->switchWithStandIn(std::nullopt)), goals[i]);
        EXPECT_EQ(windows[i]->standIn(), standInFor(*goals[i].style));
        EXPECT_EQ(windows[i]->change(), WindowChange::minimized);
        EXPECT_FALSE(windows[i]->isOneOfMany());
    }
    settle();
    EXPECT_EQ(announced(), (std::vector<std::string>{"0 -> 1 collapsed", "0 -> 7 collapsed", "0 -> 1 collapsed"}));
    // One of many: the engine's known targets are left to the group.
    EXPECT_EQ(count("refreshKnownTargets"), 0);
    EXPECT_EQ(count("markBusy"), 3);
    EXPECT_EQ(count("releaseAfterDockTrip"), 3);
    EXPECT_EQ(engine->calls.back().substr(engine->calls.back().size() - 10), "slowMotion");
}

TEST_F(EntriesTest, TripsMadeTogetherAreKeptOrDiscardedOnReturn) {
    preferences.setConcealsMinimizeAnimation(false);
    const auto windows = editorWindows(2);
    // As the engine prepares a joint trip: pictures and stand-ins first, then the Dock.
    for (const auto& window : windows) {
        ASSERT_TRUE(run(window->switchWithoutStandIn(kShaded, Speed::normal)));
        auto departure = *window->departure();
        departure.pictures = run(window->capturePicture(StandIn::titleStrip, {}));
        ASSERT_TRUE(departure.pictures);
        departure.trip = window->presentStandIn(StandIn::titleStrip, *departure.pictures, std::nullopt, {});
        window->setDeparture(departure);
        EXPECT_EQ(window->target().minimize(), platform::AccessibilityError::success);
    }
    const auto kept = windows[0]->departure()->trip->panel;
    const auto dropped = windows[1]->departure()->trip->panel;
    EXPECT_EQ(run(windows[0]->returnFromDock(AffectedWindow::TripPanel::keep)), kShaded);
    EXPECT_EQ(windows[0]->panel(), kept);
    EXPECT_EQ(run(windows[1]->returnFromDock(AffectedWindow::TripPanel::discard)), kNormal);
    EXPECT_TRUE(dropped->isClosed());
}

TEST_F(EntriesTest, EntriesThatHaveNothingToDo) {
    const auto window = editorWindows(1)[0];
    // To the state it has: nothing, not even a wait.
    EXPECT_FALSE(run(window->switchWithoutStandIn(kNormal, Speed::normal)));
    EXPECT_TRUE(engine->calls.empty());
    // Without a departure the returns answer the state as it is.
    EXPECT_EQ(run(window->returnFromDock(AffectedWindow::TripPanel::keep)), kNormal);
    EXPECT_EQ(run(window->switchWithStandIn(std::nullopt)), kNormal);
    EXPECT_TRUE(engine->calls.empty());
    // Floating alone departs nowhere.
    EXPECT_FALSE(run(window->switchWithoutStandIn(kFloating, Speed::slowMotion)));
    EXPECT_FALSE(window->departure() || window->isOneOfMany());
    run(changeBack(window));

    // The engine starts ending: nothing more is changed, and a departure is used up.
    engine->ending = true;
    EXPECT_FALSE(run(window->switchWithoutStandIn(kShaded, Speed::normal)));
    window->setDeparture(AffectedWindow::Departure{kShaded, StandIn::titleStrip, std::nullopt, std::nullopt});
    EXPECT_EQ(run(window->switchWithStandIn(std::nullopt)), kNormal);
    EXPECT_FALSE(window->departure());
}

TEST_F(EntriesTest, DockTripsThatEndLateOrNeverStillLeaveTheStandInInPlace) {
    for (const double trip : {4.0, 1e6}) {
        world.dockTrips().setDuration(trip);
        const auto window = editorWindows(1)[0];
        ASSERT_TRUE(run(window->switchWithoutStandIn(kShaded, Speed::normal)));
        EXPECT_EQ(run(window->switchWithStandIn(std::nullopt)), kShaded);
        EXPECT_TRUE(window->transition());
        settle();
        EXPECT_TRUE(StandInTransition::running().empty());
        EXPECT_TRUE(window->panel()->isVisible());
        EXPECT_EQ(window->panel()->level(), platform::window_levels::normal);
        windows.clear();
    }
}

TEST_F(EntriesTest, PicturesOfTheWayBackAreTakenOnlyWhenTheyMayBe) {
    world.displays().set({{.frame = {0, 0, 640, 400}, .backingScaleFactor = 2, .name = "Main"}});
    auto window = changedWindow(editorWindow({100, 120, 100.5, 80}));
    ASSERT_TRUE(run(changeInto(window, kMinimizedInPlace)));
    settle();
    const auto wayBack = run(window->captureDockPictures());
    ASSERT_TRUE(wayBack);
    EXPECT_EQ(wayBack->makings.picture.texture->width(), 201);
    EXPECT_EQ(wayBack->makings.picture.texture->height(), 160);

    preferences.setConcealsMinimizeAnimation(false);
    EXPECT_FALSE(run(window->captureDockPictures()));
    preferences.setConcealsMinimizeAnimation(true);
    // Without Screen Recording nothing is taken, and nobody is asked for it here.
    world.permissions().setScreenRecording(desktop::Permission::notDetermined);
    EXPECT_FALSE(run(window->captureDockPictures()));
    EXPECT_EQ(world.permissions().screenRecordingRequests(), 0);
}

TEST_F(EntriesTest, AtQuitTheWindowComesOutOfTheDockWhereItsStripWas) {
    preferences.setConcealsMinimizeAnimation(false);
    const struct {
        std::string name;
        std::optional<Point> stripDraggedTo;
        bool refused;
    } cases[] = {{"in place", std::nullopt, false}, {"dragged", Point{30, 40}, false}, {"refused", std::nullopt, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        desktop::Window& draft = editorWindow();
        auto window = changedWindow(draft);
        ASSERT_TRUE(run(changeInto(window, kShaded)));
        settle();
        DistributedNotificationCenter::defaultCenter().reset();
        if (c.stripDraggedTo) window->panel()->placeAt(Rect(*c.stripDraggedTo, {200, 28}));
        auto& faults = world.faults();
        if (c.refused) faults.on(desktop::FaultCall::writeAttribute, "AXMinimized").forWindow(draft.number()).refuse();
        EXPECT_EQ(window->restore(), !c.refused);
        EXPECT_EQ(draft.isMinimized(), c.refused);
        EXPECT_EQ(draft.frame().origin, c.stripDraggedTo.value_or(Point{100, 120}));
        // The entry goes only with a window that came out; the next launch puts back the other.
        EXPECT_EQ(window->ledger().recording(draft.number()).has_value(), c.refused);
        EXPECT_EQ(announced(), std::vector<std::string>{"1 -> 0"});
        EXPECT_EQ(window->standIn(), StandIn::none);
        settle();
    }
    // A window without a style announces nothing.
    DistributedNotificationCenter::defaultCenter().reset();
    EXPECT_FALSE(changedWindow(editorWindow())->restore());
    EXPECT_TRUE(announced().empty());
}

}  // namespace
}  // namespace changed_test
