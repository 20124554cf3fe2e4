// An action on every window of an application: who takes part and into what, in which
// order, when the application's own Minimize All carries the group (and when it is
// refused, missing or disabled), one sound and one notification per changed window,
// one beep for a group that fell short, and applications that stop answering or lose a
// window while the group is under way.

#include "tests/windows/engine/every_window_test_support.h"

namespace engine_test {
namespace {

std::string repeat(const std::string& part, int times) {
    std::string whole;
    for (int i = 0; i < times; ++i) whole += part;
    return whole;
}

// The clicked window's state decides who takes part; Minimize All carries a group only
// when every window takes a new style and none of them is in the Dock already.
TEST_F(EveryWindowTest, WhoTakesPartAndWhichPathCarriesThem) {
    const struct {
        const char* name;
        int count;
        std::string before;
        WindowAction action;
        size_t clicked;
        std::string after;
        int presses;
        std::vector<std::string> sounds;
    } cases[] = {
        {"one window", 1, "n", WindowAction::furlpane, 0, "s", 0, {"Collapse"}},
        {"two new", 2, "nn", WindowAction::furlpane, 1, "ss", 1, {"Collapse"}},
        {"a thumbnail among them", 5, "nnmns", WindowAction::furlpane, 0, "sssss", 0, {"Collapse"}},
        {"undo leaves the others", 5, "snsms", WindowAction::furlpane, 2, "nnnmn", 0, {"Expand"}},
        {"thumbnails among the new", 5, "mnnmn", WindowAction::minimizeInPlace, 1, "mmmmm", 1, {"Collapse"}},
        {"one to change", 5, "mmnmm", WindowAction::minimizeInPlace, 2, "mmmmm", 0, {"Collapse"}},
        {"float the strips", 5, "snsns", WindowAction::floatOnTop, 0, "sFnFsFnFsF", 0, {"FloatOnTop_Begin"}},
        {"twenty new", 20, std::string(20, 'n'), WindowAction::minimizeInPlace, 7, std::string(20, 'm'), 1,
         {"Collapse"}},
        {"twenty, half of them floating", 20, repeat("nf", 10), WindowAction::furlpane, 0, repeat("ssF", 10), 1,
         {"Collapse"}},
        {"twenty mixed", 20, repeat("snmf", 5), WindowAction::furlpane, 1, repeat("ssssF", 5), 0, {"Collapse"}},
        {"twenty mixed, undone", 20, repeat("snmf", 5), WindowAction::furlpane, 0, repeat("nnmnF", 5), 0,
         {"Expand"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        makeEditor(c.count);
        prepare(c.before);
        const int pressed = minimizeAllItem().pressCount();
        performEvery(c.action, c.clicked);
        EXPECT_EQ(states(), c.after);
        EXPECT_EQ(minimizeAllItem().pressCount() - pressed, c.presses);
        EXPECT_EQ(heard(), c.sounds);
        // One notification per window whose style changed.
        std::string styles = c.after;
        std::erase(styles, 'F');
        size_t restyled = 0;
        for (size_t i = 0; i < styles.size(); ++i) restyled += (c.before[i] == 'f' ? 'n' : c.before[i]) != styles[i];
        EXPECT_EQ(announced().size(), restyled);
        EXPECT_TRUE(engine->changing().empty());
        app->quit();
        settle();
    }
}

TEST_F(EveryWindowTest, WindowsComingBackReturnBackToFrontAndLeavingOnesFrontToBack) {
    makeEditor(4);
    prepare("snss");
    const auto frontToBack = engine->windowsOfApplication(target(*windows[0]));
    std::vector<size_t> shadedFrontToBack;
    for (const auto& window : frontToBack)
        if (index(window.id) != 1) shadedFrontToBack.push_back(index(window.id));
    performEvery(WindowAction::furlpane, 0);
    EXPECT_EQ(states(), "nnnn");
    EXPECT_EQ(announcedOrder(), std::vector<size_t>(shadedFrontToBack.rbegin(), shadedFrontToBack.rend()));

    // A group that leaves the Dock one by one (window 2 is a thumbnail) goes front to back.
    prepare("nnmn");
    const auto order = engine->windowsOfApplication(target(*windows[0]));
    performEvery(WindowAction::furlpane, 0);
    std::vector<size_t> expected;
    for (const auto& window : order) expected.push_back(index(window.id));
    EXPECT_EQ(announcedOrder(), expected);
}

// While the windows come back one by one, the stand-ins still waiting stay above other
// windows, so that none of them drops behind a window already back.
TEST_F(EveryWindowTest, ReturningStandInsWaitAboveOtherWindows) {
    makeEditor(3);
    prepare("sss");
    std::vector<int32_t> waitingLevels;
    const int listener = world.addListener([this, &waitingLevels](const desktop::WorldEvent& event) {
        if (event.kind != desktop::WorldEventKind::windowDeminimized) return;
        for (const auto* window : windows) {
            const auto changed = engine->findAffected(window->number());
            if (window->isMinimized() && changed && changed->panel()) waitingLevels.push_back(changed->panel()->level());
        }
    });
    performEvery(WindowAction::furlpane, 0);
    world.removeListener(listener);
    EXPECT_EQ(states(), "nnn");
    // Two windows wait while the first comes back, one while the second does.
    EXPECT_EQ(waitingLevels, std::vector<int32_t>(3, StandInTransition::overlayLevel()));
}

// Without a usable Minimize All every window makes its own trip, and each still reaches
// its goal; an item refused once is found again and pressed once more.
TEST_F(EveryWindowTest, WithoutAUsableMinimizeAllEveryWindowGoesOnItsOwn) {
    enum class Spoil { refused, disabled, refusedOnce };
    const struct {
        const char* name;
        Spoil spoil;
        int presses;
    } cases[] = {{"refused", Spoil::refused, 0},
                 {"disabled", Spoil::disabled, 0},
                 {"refused once, pressed again", Spoil::refusedOnce, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t panelsBefore = panelsOnScreen();
        makeEditor(5);
        auto& item = minimizeAllItem();
        if (c.spoil == Spoil::disabled) {
            item.setEnabled(false);
        } else {
            auto& press = world.faults().on(FaultCall::performAction, "AXPress").forControl(item.id());
            if (c.spoil == Spoil::refusedOnce) press.times(1);
            press.refuse();
        }
        performEvery(WindowAction::minimizeInPlace, 0);
        EXPECT_EQ(states(), "mmmmm");
        EXPECT_EQ(item.pressCount(), c.presses);
        for (const auto* window : windows) EXPECT_TRUE(window->isMinimized());
        // One stand-in per window: the ones shown for a refused press were taken back.
        EXPECT_EQ(panelsOnScreen() - panelsBefore, 5u);
        EXPECT_EQ(heard(), std::vector<std::string>{"Collapse"});
        EXPECT_EQ(announced().size(), 5u);
        app->quit();
        settle();
    }
    // An application without menus has no item to press.
    std::vector<desktop::MenuDescription> none;
    makeEditor(3, &none);
    performEvery(WindowAction::furlpane, 1);
    EXPECT_EQ(states(), "sss");
}

// Another instance of the program brings a window of the application out of the Dock
// while the group's pictures are taken: Minimize All would take it along unseen, so the
// group's windows go on their own instead, and that window stays where it is.
TEST_F(EveryWindowTest, AWindowBackMeanwhileKeepsTheGroupOffMinimizeAll) {
    makeEditor(3);
    windows[2]->minimize();
    settle();
    world.faults().on(FaultCall::hardwareCapture).hang(0.3);
    queueEvery(WindowAction::furlpane, 0);
    loop.advance(0.2);
    windows[2]->deminimize();
    settle();
    EXPECT_EQ(minimizeAllItem().pressCount(), 0);
    EXPECT_EQ(states(), "ssn");
    EXPECT_FALSE(windows[2]->isMinimized());
}

TEST_F(EveryWindowTest, AWindowClosedMidGroupBeepsOnceAndTheOthersGoOn) {
    makeEditor(5);
    prepare("nnnnm");  // the thumbnail keeps the group off Minimize All: one by one
    bool closed = false;
    const int listener = world.addListener([this, &closed](const desktop::WorldEvent& event) {
        if (event.kind != desktop::WorldEventKind::windowMinimized || closed) return;
        closed = true;
        world.postToMainQueue([this] { windows[1]->close(); });
    });
    performEvery(WindowAction::furlpane, 4);
    world.removeListener(listener);
    EXPECT_TRUE(closed);
    const std::string after = states();
    EXPECT_EQ(after[1], 'n');
    EXPECT_EQ(after.substr(2), "sss");
    EXPECT_EQ(after[0], 's');
    const auto sounds = heard();
    EXPECT_EQ(std::count(sounds.begin(), sounds.end(), "beep"), 1);
    EXPECT_EQ(std::count(sounds.begin(), sounds.end(), "Collapse"), 1);
    EXPECT_EQ(engine->findAffected(windows[1]->number()), nullptr);
}

TEST_F(EveryWindowTest, AnApplicationThatStopsAnsweringMidGroupIsWaitedForBoundedly) {
    for (const bool oneByOne : {false, true}) {
        SCOPED_TRACE(oneByOne ? "one by one" : "through Minimize All");
        makeEditor(5);
        if (oneByOne) prepare("nnnnm");
        world.dockTrips().setSilence(0.1);
        bool silenced = false;
        const int listener = world.addListener([this, &silenced](const desktop::WorldEvent& event) {
            if (event.kind != desktop::WorldEventKind::windowMinimized || silenced) return;
            silenced = true;
            world.postToMainQueue([this] { app->stopAnswering(3.0); });
        });
        const double start = loop.now();
        queueEvery(WindowAction::furlpane, 0);
        while (!engine->changing().empty() || loop.now() - start < 1) settle(0.5);
        world.removeListener(listener);
        EXPECT_TRUE(silenced);
        EXPECT_EQ(states(), "sssss");
        EXPECT_LT(loop.now() - start, 30);
        const auto sounds = heard();
        EXPECT_EQ(std::count(sounds.begin(), sounds.end(), "beep"), 0);
        app->answerAgain();
        app->quit();
        settle();
    }
}

// The program ends while a group is under way: the group stops at its next step without
// a beep, and everything it changed is put back.
TEST_F(EveryWindowTest, AGroupCutShortByTheEndStopsWithoutABeep) {
    const struct {
        const char* name;
        std::string before;
        WindowAction action;
    } cases[] = {{"one by one", "nnnnm", WindowAction::furlpane},
                 {"several through Minimize All", "nnnnn", WindowAction::furlpane},
                 {"into the Dock one by one", "nnnnm", WindowAction::minimizeToDock}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        engine.reset();
        loop.runUntilIdle();
        engine = WindowEffects::create(*preferences);
        makeEditor(5);
        prepare(c.before);
        bool ended = false;
        const int listener = world.addListener([this, &ended](const desktop::WorldEvent& event) {
            if (event.kind != desktop::WorldEventKind::windowMinimized || ended) return;
            ended = true;
            world.postToMainQueue([this] { engine->restoreAll(); });
        });
        performEvery(c.action, 0);
        world.removeListener(listener);
        EXPECT_TRUE(ended);
        EXPECT_TRUE(engine->changing().empty());
        EXPECT_TRUE(engine->windows().empty());
        // Windows on their way into the Dock for a stand-in come back too.
        if (c.action != WindowAction::minimizeToDock) {
            loop.runUntilIdle();
            for (const auto* window : windows) EXPECT_FALSE(window->isMinimized()) << window->title();
        }
        const auto sounds = heard();
        EXPECT_EQ(std::count(sounds.begin(), sounds.end(), "beep"), 0);
        app->quit();
        settle();
    }
}

}  // namespace
}  // namespace engine_test
