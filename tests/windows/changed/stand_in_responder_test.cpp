// What a changed window asks of the engine when its stand-in is double-clicked, clicked,
// has a button pressed or its context menu used: by the kind of stand-in, the modifiers
// and the application's rules.

#include "windows/changed/stand_in_responder.h"

#include "changed_test_support.h"

namespace changed_test {
namespace {

namespace flags = platform::event_flags;

class StandInResponderTest : public ChangedTest {
protected:
    platform::UserDefaults defaults{"com.brindlewick.FurlpaneNovan.tests"};
    ActionRules rules{defaults};
    std::shared_ptr<Preferences> preferences = Preferences::create(defaults);
    desktop::Window& draft = draftWindow();
    std::shared_ptr<RecordingEngine> engine = std::make_shared<RecordingEngine>();
    std::shared_ptr<FakeSubject> subject = std::make_shared<FakeSubject>(*target(draft));
    std::shared_ptr<StandInResponder> responder = StandInResponder::create(subject, engine, rules, *preferences);
    std::shared_ptr<StandInPanel> panel =
        StandInPanel::create(Rect(300, 200, 400, 28), StandInPanel::MissionControl::managed);

    void SetUp() override {
        panel->setStandInDelegate(responder);
        panel->orderFront();
        world.input().setMouseLocation({420, 210});
        loop.runUntilIdle();
    }
    std::string id() const { return std::to_string(draft.number()); }
    // The engine's calls since the last look.
    std::vector<std::string> asked() {
        loop.runUntilIdle();
        return std::exchange(engine->calls, {});
    }
    void doubleClickStrip(uint64_t modifiers) { responder->standInDoubleClicked(*panel, modifiers); }
    void useRule(Trigger trigger, TriggerSetting setting) {
        ApplicationRule rule{"com.example.Editor", "Editor", false, {}};
        rule.settings.triggers[trigger] = setting;
        rules.setApplications({rule});
    }
};

TEST_F(StandInResponderTest, ATitleStripDoubleClickRunsTheTriggerOfItsModifiers) {
    doubleClickStrip(0);
    EXPECT_EQ(asked(), (std::vector<std::string>{"act Furlpane " + id() + " (420,210) raises true slow false"}));
    doubleClickStrip(flags::control | flags::shift);
    EXPECT_EQ(asked(), (std::vector<std::string>{"act FOT " + id() + " (420,210) raises true slow true"}));
    // Option sends the action to every window of the application.
    doubleClickStrip(flags::option);
    EXPECT_EQ(asked(), (std::vector<std::string>{"performFromTrigger Furlpane " + id() + " (420,210) slow false"}));
    // Command's trigger is off by default: the window comes back.
    doubleClickStrip(flags::command);
    EXPECT_EQ(asked(), (std::vector<std::string>{"changeState interactive true slow false"}));
}

TEST_F(StandInResponderTest, CommandControlRestoresWhateverTheRulesSay) {
    useRule(Trigger::titleBarDoubleClick, {WindowAction::minimizeInPlace, true});
    doubleClickStrip(flags::command | flags::control | flags::shift);
    EXPECT_EQ(asked(), (std::vector<std::string>{"changeState interactive true slow true"}));
    doubleClickStrip(0);
    EXPECT_EQ(asked(), (std::vector<std::string>{"act MIP " + id() + " (420,210) raises true slow false"}));
}

TEST_F(StandInResponderTest, AnInjectedDoubleClickOnTheStripReachesTheEngineAfterTheEvent) {
    doubleClick({500, 210}, flags::control);
    EXPECT_EQ(asked(), (std::vector<std::string>{"act FOT " + id() + " (500,210) raises true slow false"}));
}

TEST_F(StandInResponderTest, TheMinimizeButtonRunsItsRuleOrMinimizesToTheDock) {
    world.input().setModifierFlags(flags::shift);
    responder->standInButtonClicked(*panel, WindowButton::minimize);
    EXPECT_EQ(asked(), (std::vector<std::string>{"act Minimize " + id() + " (420,210) raises false slow true"}));
    useRule(Trigger::minimizeButton, {WindowAction::minimizeInPlace, false});
    world.input().setModifierFlags(flags::option);
    responder->standInButtonClicked(*panel, WindowButton::minimize);
    EXPECT_EQ(asked(), (std::vector<std::string>{"performFromTrigger Minimize " + id() + " (420,210) slow false"}));
    useRule(Trigger::minimizeButton, {WindowAction::floatOnTop, true});
    world.input().setModifierFlags(0);
    responder->standInButtonClicked(*panel, WindowButton::minimize);
    EXPECT_EQ(asked(), (std::vector<std::string>{"act FOT " + id() + " (420,210) raises false slow false"}));
}

TEST_F(StandInResponderTest, CloseRestoresThenPressesTheRealButtonOnceTheApplicationSettled) {
    engine->holdBusy(draft.pid());
    responder->standInButtonClicked(*panel, WindowButton::close);
    EXPECT_EQ(asked(), (std::vector<std::string>{"changeState interactive false slow false then",
                                                 "settled " + std::to_string(draft.pid())}));
    EXPECT_TRUE(world.window(draft.number()));
    engine->release();
    loop.runUntilIdle();
    EXPECT_FALSE(world.window(draft.number()));
}

TEST_F(StandInResponderTest, TheProgramsOwnWindowHasItsOwnButtonsPressed) {
    auto own = std::make_shared<platform::Window>(appKit(Rect{200, 100, 600, 400}),
                                                  platform::titledWindowMask | platform::closableWindowMask);
    own->orderFront();
    auto ownSubject = std::make_shared<FakeSubject>(
        *TargetWindow::create(platform::AccessibilityElement::forWindow(*world.window(own->windowNumber()))));
    auto ownResponder = StandInResponder::create(ownSubject, engine, rules, *preferences);
    // Not miniaturizable: its minimize button is disabled, and a click on it does nothing.
    ownResponder->standInButtonClicked(*panel, WindowButton::minimize);
    EXPECT_TRUE(asked().empty());
    ownResponder->standInButtonClicked(*panel, WindowButton::close);
    EXPECT_EQ(asked().front(), "changeState interactive false slow false then");
    EXPECT_TRUE(own->isClosed());
}

TEST_F(StandInResponderTest, ThumbnailsRestoreOnDoubleClickAndOnClickWhenTheUserWantsIt) {
    subject->kind = StandInKind::thumbnail;
    responder->standInDoubleClicked(*panel, flags::shift);
    EXPECT_EQ(asked(), (std::vector<std::string>{"changeState interactive true slow true"}));
    responder->standInDoubleClicked(*panel, flags::option);
    EXPECT_EQ(asked(), (std::vector<std::string>{"restoreOnActiveSpace slow false"}));
    responder->standInClicked(*panel, 0);
    EXPECT_EQ(asked(), (std::vector<std::string>{"changeState interactive true slow false"}));
    preferences->setSingleClickRestores(false);
    responder->standInClicked(*panel, 0);
    EXPECT_TRUE(asked().empty());
}

TEST_F(StandInResponderTest, LiveCopiesEngageAndOtherStandInsIgnoreClicks) {
    subject->kind = StandInKind::liveCopy;
    responder->standInClicked(*panel, 0);
    responder->standInDoubleClicked(*panel, 0);
    subject->kind = StandInKind::titleStrip;
    responder->standInClicked(*panel, 0);
    subject->kind = StandInKind::none;
    responder->standInDoubleClicked(*panel, 0);
    responder->standInDragEnded(*panel);
    responder->standInHoverChanged(*panel, true);
    EXPECT_TRUE(asked().empty());
    EXPECT_EQ(subject->calls, (std::vector<std::string>{"engage", "engage", "endDrag", "hover on"}));
}

TEST_F(StandInResponderTest, TheContextMenuRestoresOneOrAllOrHidesTheApplication) {
    // A Control-click on a title strip stays a click.
    EXPECT_FALSE(responder->standInMenu(*panel, true));
    const auto menu = responder->standInMenu(*panel, false);
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->outline(),
              (std::vector<std::string>{"Restore This Window", "Restore All Windows", "-", "Hide Editor"}));
    for (const auto& item : menu->items()) EXPECT_EQ(item->keyEquivalent(), "");
    world.input().setModifierFlags(flags::shift);
    EXPECT_TRUE(menu->performActionForItem(0));
    EXPECT_TRUE(menu->performActionForItem(1));
    EXPECT_TRUE(menu->performActionForItem(3));
    EXPECT_EQ(asked(), (std::vector<std::string>{"changeState interactive true slow true", "restoreWindows slow true",
                                                 "act HideApplication " + id() + " none raises false slow false"}));
    subject->kind = StandInKind::thumbnail;
    EXPECT_TRUE(responder->standInMenu(*panel, true));
}

TEST_F(StandInResponderTest, NothingIsAskedOnceTheEngineOrTheWindowIsGone) {
    const auto menu = responder->standInMenu(*panel, false);
    engine.reset();
    doubleClickStrip(0);
    responder->standInButtonClicked(*panel, WindowButton::close);
    loop.runUntilIdle();
    engine = std::make_shared<RecordingEngine>();
    subject.reset();
    EXPECT_FALSE(responder->standInMenu(*panel, false));
    EXPECT_TRUE(menu->performActionForItem(0));
    loop.runUntilIdle();
    EXPECT_TRUE(world.window(draft.number()));
}

}  // namespace
}  // namespace changed_test
