// Groups of windows into the Dock: every window minimized through Minimize All or one
// after another, windows the program had in the Dock already; departing windows sent
// together with their stand-ins shown first, the levels they rest at, a window the
// application did not minimize, a picture that cannot be taken, and the animations of a
// refused press given back to the stored playlists.

#include "platform/defaults/file_user_defaults.h"
#include "tests/support/temp_folder.h"
#include "tests/windows/engine/every_window_test_support.h"
#include "transitions/driver/stand_in_transition.h"
#include "windows/access/minimize_all.h"

namespace engine_test {
namespace {

class DockGroupTest : public EveryWindowTest {
protected:
    // A window of the editor that Minimize All takes but no action gathers (it is no
    // standard window).
    desktop::Window& openPalette() {
        return *app->openWindow({.title = "Palette", .frame = Rect{400, 250, 120, 90}, .subrole = "AXFloatingWindow"});
    }
    // Every window into the Dock, and whether the application counted a trip for each
    // right after the request.
    int busyRightAfter(size_t clicked) {
        const auto like = target(*windows[clicked]);
        run(engine->minimizeApplicationToDock(engine->windowsOfApplication(like), like, Speed::normal));
        const auto& busy = engine->busy().busyApplications();
        const auto found = busy.find(like.processIdentifier);
        return found == busy.end() ? 0 : found->second;
    }
    size_t minimizedCount() const {
        return size_t(std::count_if(windows.begin(), windows.end(), [](auto* w) { return w->isMinimized(); }));
    }
};

TEST_F(DockGroupTest, EveryWindowIntoTheDockPressesMinimizeAllOnlyForExactlyTheWindowsMeant) {
    enum class Extra { none, palette, refused, thumbnail };
    const struct {
        const char* name;
        int count;
        Extra extra;
        int presses;
        int busy;  // trips counted at once: the press counts one per window
    } cases[] = {
        {"two windows", 2, Extra::none, 1, 2},
        {"twenty windows", 20, Extra::none, 1, 20},
        {"a single window", 1, Extra::none, 0, 1},
        {"one more window would go", 2, Extra::palette, 0, 1},
        {"the press refused", 5, Extra::refused, 0, 1},
        {"a thumbnail in the Dock already", 3, Extra::thumbnail, 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        makeEditor(c.count);
        desktop::Window* palette = c.extra == Extra::palette ? &openPalette() : nullptr;
        if (c.extra == Extra::refused)
            world.faults().on(FaultCall::performAction, "AXPress").forControl(minimizeAllItem().id()).refuse();
        if (c.extra == Extra::thumbnail) prepare("m");
        const int pressed = minimizeAllItem().pressCount();
        EXPECT_EQ(busyRightAfter(c.count - 1), c.busy);
        settle();
        EXPECT_EQ(minimizeAllItem().pressCount() - pressed, c.presses);
        EXPECT_EQ(minimizedCount(), size_t(c.count));
        EXPECT_FALSE(engine->isBusy(app->pid()));
        if (palette) {
            EXPECT_FALSE(palette->isMinimized());
        }
        // The thumbnail's real window stays in the Dock; the program lets go of it.
        EXPECT_TRUE(engine->windows().empty());
        app->quit();
        settle();
    }
}

// The program's own windows go one by one even as a group; one without the miniaturizable
// style travels with it and is given its style mask back once in the Dock.
TEST_F(DockGroupTest, TheProgramsOwnWindowsGoOneByOneAndKeepTheirStyle) {
    const uint64_t style = platform::titledWindowMask | platform::closableWindowMask;
    std::vector<std::shared_ptr<platform::Window>> own;
    std::vector<TargetWindow> targets;
    for (int i = 0; i < 2; ++i) {
        own.push_back(std::make_shared<platform::Window>(Rect{100.0 + 50 * i, 100, 300, 200}, style));
        own.back()->orderFront();
        loop.runUntilIdle();
        const auto element = windowElement(own.back()->windowNumber(), world.ownProcessIdentifier());
        ASSERT_TRUE(element);
        targets.push_back(TargetWindow::create(*element).value());
    }
    run(engine->minimizeApplicationToDock(targets, targets[0], Speed::normal));
    settle();
    for (const auto& window : own) {
        EXPECT_TRUE(window->isMiniaturized());
        EXPECT_EQ(window->styleMask(), style);
    }
    EXPECT_FALSE(engine->isBusy(world.ownProcessIdentifier()));
}

// After a joint trip each stand-in rests at its level: a floating strip above others with
// its badge, a thumbnail as the preference says.
TEST_F(DockGroupTest, StandInsSentTogetherRestAtTheirLevels) {
    for (const bool thumbnailsFloat : {false, true}) {
        SCOPED_TRACE(thumbnailsFloat);
        preferences->setThumbnailsFloat(thumbnailsFloat);
        makeEditor(3);
        actOn(WindowAction::floatOnTop, 0);
        const int pressed = minimizeAllItem().pressCount();
        // Right after the press the application counts one trip per window.
        std::optional<int> tripsAfterPress;
        const int listener = world.addListener([this, &tripsAfterPress](const desktop::WorldEvent& event) {
            if (event.kind != desktop::WorldEventKind::controlPressed) return;
            world.postToMainQueue([this, &tripsAfterPress] {
                const auto& busy = engine->busy().busyApplications();
                tripsAfterPress = busy.count(app->pid()) ? busy.at(app->pid()) : 0;
            });
        });
        performEvery(WindowAction::furlpane, 1);
        world.removeListener(listener);
        EXPECT_EQ(tripsAfterPress, 3);
        EXPECT_EQ(minimizeAllItem().pressCount() - pressed, 1);
        ASSERT_EQ(states(), "sFss");
        const auto floating = engine->findAffected(windows[0]->number());
        EXPECT_EQ(floating->panel()->level(), platform::window_levels::floating);
        EXPECT_TRUE(floating->panel()->canvas().floatBadge());
        const auto strip = engine->findAffected(windows[1]->number());
        EXPECT_EQ(strip->panel()->level(), platform::window_levels::normal);
        EXPECT_FALSE(strip->panel()->canvas().floatBadge());
        app->quit();
        settle();

        makeEditor(2);
        performEvery(WindowAction::minimizeInPlace, 0);
        ASSERT_EQ(states(), "mm");
        for (const auto* window : windows) {
            EXPECT_EQ(engine->findAffected(window->number())->panel()->level(),
                      thumbnailsFloat ? platform::window_levels::floating : platform::window_levels::normal);
        }
        app->quit();
        settle();
    }
}

// Thumbnails shown together learn where the group's earlier ones stand, so that each
// takes a cell of its own.
TEST_F(DockGroupTest, ThumbnailsSentTogetherTakeCellsOfTheirOwn) {
    preferences->setArrangesThumbnails(true);
    makeEditor(4);
    performEvery(WindowAction::minimizeInPlace, 0);
    ASSERT_EQ(states(), "mmmm");
    std::vector<Rect> frames;
    for (const auto* window : windows)
        frames.push_back(engine->findAffected(window->number())->panel()->topLeftFrame());
    for (size_t i = 0; i < frames.size(); ++i)
        for (size_t j = i + 1; j < frames.size(); ++j) EXPECT_FALSE(frames[i].intersects(frames[j])) << i << " " << j;
}

TEST_F(DockGroupTest, DepartingWindowsMakeTheirOwnTripsWhenMinimizeAllWouldTakeMore) {
    makeEditor(2);
    auto& palette = openPalette();
    const int pressed = minimizeAllItem().pressCount();
    performEvery(WindowAction::furlpane, 0);
    EXPECT_EQ(states(), "ss");
    EXPECT_EQ(minimizeAllItem().pressCount(), pressed);
    EXPECT_FALSE(palette.isMinimized());
}

// The application takes a window back out of the Dock right after the press: the
// program lets go of it, reports its change undone, and the group beeps.
TEST_F(DockGroupTest, AWindowTheApplicationDidNotMinimizeEndsUnchanged) {
    makeEditor(3);
    const int listener = world.addListener([this](const desktop::WorldEvent& event) {
        if (event.kind != desktop::WorldEventKind::controlPressed) return;
        world.postToMainQueue([this] { windows[1]->deminimize(); });
    });
    performEvery(WindowAction::furlpane, 0);
    world.removeListener(listener);
    EXPECT_EQ(states(), "sns");
    EXPECT_FALSE(windows[1]->isMinimized());
    EXPECT_EQ(engine->findAffected(windows[1]->number()), nullptr);
    const auto lines = announced();
    const std::string undone = std::to_string(windows[1]->number()) + " 1→0 collapsed 0 pid " +
                               std::to_string(app->pid()) + " dock 1→0 sound 0/0";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), undone), 1);
    const auto sounds = heard();
    EXPECT_EQ(std::count(sounds.begin(), sounds.end(), "beep"), 1);
}

// The user goes to another Space while the group's pictures are taken and comes back
// after a while: the windows stand as he left them, and nothing is announced, listed or
// recorded of a change he never saw; the group beeps once.
TEST_F(DockGroupTest, AGroupWhoseSpaceIsLeftBeforeItsStandInsShowIsUndone) {
    makeEditor(2);
    const uint32_t display = world.displays().first()->number();
    const uint64_t home = *world.spaces().current(display);
    const uint64_t away = world.spaces().add(display);
    for (const double stay : {0.3, 0.8, 1.5}) {
        SCOPED_TRACE(stay);
        queueEvery(WindowAction::furlpane, 0);
        loop.advance(0.05);
        world.spaces().switchTo(away);
        loop.advance(stay);
        world.spaces().switchTo(home);
        settle();
        EXPECT_EQ(states(), "nn");
        EXPECT_EQ(minimizedCount(), 0u);
        EXPECT_EQ(announced(), std::vector<std::string>{});
        EXPECT_EQ(engine->windows().size(), 0u);
        EXPECT_EQ(WindowLedger::shared().entries().size(), 0u);
        EXPECT_EQ(heard(), std::vector<std::string>{"beep"});
    }
}

// A window that cannot be pictured stops the joint trip before any stand-in shows; each
// window then makes its own trip, and the one without a picture stays as it was.
TEST_F(DockGroupTest, AWindowThatCannotBePicturedSendsEveryWindowOnItsOwnTrip) {
    makeEditor(2);
    world.faults().on(FaultCall::hardwareCapture).forWindow(windows[1]->number()).fail();
    const size_t panelsBefore = panelsOnScreen();
    const int pressed = minimizeAllItem().pressCount();
    performEvery(WindowAction::furlpane, 0);
    EXPECT_EQ(minimizeAllItem().pressCount(), pressed);
    EXPECT_EQ(states(), "sn");
    EXPECT_FALSE(windows[1]->isMinimized());
    EXPECT_EQ(panelsOnScreen() - panelsBefore, 1u);
    EXPECT_EQ(heard(), (std::vector<std::string>{"Collapse", "beep"}));
}

// A refused press takes back every stand-in it showed, keeps each departure's pictures
// for the window's own trip, and gives the animations dealt for them back to their
// playlist, as the defaults file keeps it.
TEST_F(DockGroupTest, ARefusedPressTakesTheStandInsBackAndGivesTheirAnimationsBack) {
    furlpane_test::TempFolder folder;
    auto fileDefaults = platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path());
    auto stored = [&folder](const char* key) {
        auto reread = platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path());
        std::vector<std::string> raws;
        const auto value = reread->storedObject(key);
        if (value && value->array())
            for (const auto& item : *value->array()) raws.push_back(item.string() ? *item.string() : "?");
        return raws;
    };
    engine.reset();
    preferences = Preferences::create(*fileDefaults);
    Preferences::setShared(preferences);
    engine = WindowEffects::create(*preferences);
    preferences->setAnimatesTransitions(true);
    preferences->setChosenTitleStripAnimation(TitleStripAnimation::randomOrder);
    preferences->setChosenThumbnailAnimation(ThumbnailAnimation::randomOrder);
    preferences->saveTitleStripPlaylist();
    preferences->saveThumbnailPlaylist();
    const auto strips = stored("ShadeAnimationPlaylist");
    const auto thumbnails = stored("MIPAnimationPlaylist");
    ASSERT_FALSE(strips.empty());
    ASSERT_FALSE(thumbnails.empty());

    makeEditor(3);
    WindowEffects::WindowList departing;
    const WindowState goals[] = {{Style::shaded, false}, {Style::minimizedInPlace, false}, {Style::shaded, false}};
    for (size_t i = 0; i < 3; ++i) {
        departing.push_back(AffectedWindow::create(target(*windows[i]), engine));
        auto switching = departing.back()->switchWithoutStandIn(goals[i], Speed::normal);
        ASSERT_EQ(platform::runToCompletion(loop, std::move(switching)), true);
    }
    const size_t panelsBefore = panelsOnScreen();
    const auto item = MinimizeAll::menuItem(app->pid());
    ASSERT_TRUE(item);
    world.faults().on(FaultCall::performAction, "AXPress").forControl(minimizeAllItem().id()).refuse();
    const auto like = target(*windows[0]);
    const auto together = platform::runToCompletion(
        loop, engine->minimizeAllWithStandIns(departing, like, *item, std::nullopt, Speed::normal));
    EXPECT_EQ(together, false);
    EXPECT_EQ(panelsOnScreen(), panelsBefore);
    for (const auto& window : departing) {
        ASSERT_TRUE(window->departure());
        EXPECT_TRUE(window->departure()->pictures);
        EXPECT_FALSE(window->departure()->trip);
        EXPECT_FALSE(window->thumbnail());
    }
    EXPECT_TRUE(StandInTransition::running().empty());
    EXPECT_FALSE(engine->isBusy(app->pid()));
    // Each given back goes to the front, so the two strips' come back in swapped order.
    auto sorted = [](std::vector<std::string> raws) {
        std::sort(raws.begin(), raws.end());
        return raws;
    };
    EXPECT_EQ(sorted(stored("ShadeAnimationPlaylist")), sorted(strips));
    EXPECT_EQ(stored("MIPAnimationPlaylist"), thumbnails);

    // The settings go before the file they are kept in.
    departing.clear();
    engine.reset();
    loop.runUntilIdle();
    Preferences::setShared(nullptr);
    preferences.reset();
}

}  // namespace
}  // namespace engine_test
