// What a changed window asks of the engine when its stand-in is double-clicked, clicked,
// has a button pressed or its context menu used: by the kind of stand-in, the modifiers
// and the application's rules.

#include "windows/changed/stand_in_responder.h"

#include "changed_test_support.h"

namespace changed_test {
namespace {

namespace flags = platform::event_flags;
using Rule = std::optional<std::pair<Trigger, TriggerSetting>>;

// A changed window showing a stand-in of some kind, recording what its own parts are asked.
class FakeSubject : public StandInSubject {
public:
    explicit FakeSubject(TargetWindow target) : target_(std::move(target)) {}
    StandIn kind = StandIn::titleStrip;
    std::vector<std::string> calls;

    StandIn standIn() const override { return kind; }
    const TargetWindow& target() const override { return target_; }
    std::shared_ptr<AffectedWindow> changedWindow() override { return nullptr; }
    void engage() override { calls.push_back("engage"); }
    void endDrag(StandInPanel&) override { calls.push_back("endDrag"); }
    void hoverChanged(bool hovered) override { calls.push_back(hovered ? "hover on" : "hover off"); }

private:
    TargetWindow target_;
};

class StandInResponderTest : public ChangedTest {
protected:
    platform::UserDefaults defaults{"com.brindlewick.FurlpaneNovan.tests"};
    std::shared_ptr<ActionRules> rules = std::make_shared<ActionRules>(defaults);
    std::shared_ptr<Preferences> preferences = Preferences::create(defaults);
    desktop::Window& draft = draftWindow();
    std::shared_ptr<RecordingEngine> engine = std::make_shared<RecordingEngine>();
    std::shared_ptr<FakeSubject> subject = std::make_shared<FakeSubject>(*target(draft));
    std::shared_ptr<StandInResponder> responder = StandInResponder::create(subject, engine, rules, preferences);
    std::shared_ptr<StandInPanel> panel =
        StandInPanel::create(Rect(300, 200, 400, 28), StandInPanel::MissionControl::managed);
    // The draft's number and the pointer's place, as the engine's calls write them.
    const std::string on = " " + std::to_string(draft.number()) + " (420,210)";

    void SetUp() override {
        panel->setStandInDelegate(responder);
        panel->orderFront();
        platform::SimulatedInput::of(world).setMouseLocation({420, 210});
        loop.runUntilIdle();
    }
    // The engine's calls since the last look.
    std::vector<std::string> asked() {
        loop.runUntilIdle();
        return std::exchange(engine->calls, {});
    }
    // The editor's rule with this one trigger's setting; none: no rule for the editor.
    void useRule(const Rule& rule) {
        ApplicationRule application{"com.example.Editor", "Editor", false, {}};
        if (rule) application.settings.triggers[rule->first] = rule->second;
        rules->setApplications(rule ? std::vector{application} : std::vector<ApplicationRule>{});
    }
};

TEST_F(StandInResponderTest, ADoubleClickAsksByTheKindOfStandInTheModifiersAndTheRules) {
    const Rule minimizeInPlace{{Trigger::titleBarDoubleClick, {WindowAction::minimizeInPlace, true}}};
    const struct {
        StandIn kind;
        uint64_t modifiers;
        Rule rule;
        std::string asked;
    } cases[] = {
        {StandIn::titleStrip, 0, {}, "act Furlpane" + on + " bringForward normal"},
        {StandIn::titleStrip, flags::control | flags::shift, {}, "act FOT" + on + " bringForward slowMotion"},
        // Option sends the action to every window of the application.
        {StandIn::titleStrip, flags::option, {}, "performFromTrigger Furlpane" + on + " normal"},
        // Command's trigger is off by default: the window comes back.
        {StandIn::titleStrip, flags::command, {}, "changeState bringForward normal"},
        // Command and Control restore whatever the rules say.
        {StandIn::titleStrip, flags::command | flags::control | flags::shift, minimizeInPlace,
         "changeState bringForward slowMotion"},
        {StandIn::titleStrip, 0, minimizeInPlace, "act MIP" + on + " bringForward normal"},
        {StandIn::thumbnail, flags::shift, {}, "changeState bringForward slowMotion"},
        {StandIn::thumbnail, flags::option, {}, "restoreOnActiveSpace normal"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked);
        subject->kind = c.kind;
        useRule(c.rule);
        responder->standInDoubleClicked(*panel, c.modifiers);
        EXPECT_EQ(asked(), std::vector<std::string>{c.asked});
    }
    // Through the panel, the request reaches the engine after the event.
    subject->kind = StandIn::titleStrip;
    doubleClick({500, 210}, flags::control);
    EXPECT_EQ(asked(), (std::vector<std::string>{"act FOT " + std::to_string(draft.number()) +
                                                 " (500,210) bringForward normal"}));
}

TEST_F(StandInResponderTest, TheMinimizeButtonRunsItsRuleOrMinimizesToTheDock) {
    const struct {
        uint64_t held;
        Rule rule;
        std::string asked;
    } cases[] = {
        {flags::shift, {}, "act Minimize" + on + " inPlace slowMotion"},
        {flags::option,
         {{Trigger::minimizeButton, {WindowAction::minimizeInPlace, false}}},
         "performFromTrigger Minimize" + on + " normal"},
        {0, {{Trigger::minimizeButton, {WindowAction::floatOnTop, true}}}, "act FOT" + on + " inPlace normal"},
    };
    for (const auto& c : cases) {
        useRule(c.rule);
        platform::SimulatedInput::of(world).setModifierFlags(c.held);
        responder->standInButtonClicked(*panel, WindowButton::minimize);
        EXPECT_EQ(asked(), std::vector<std::string>{c.asked});
    }
}

TEST_F(StandInResponderTest, CloseRestoresThenPressesTheRealButtonOnceTheApplicationSettled) {
    engine->holdBusy(draft.pid());
    responder->standInButtonClicked(*panel, WindowButton::close);
    EXPECT_EQ(asked(),
              (std::vector<std::string>{"changeState inPlace normal then", "settled " + std::to_string(draft.pid())}));
    EXPECT_TRUE(world.window(draft.number()));
    engine->release();
    loop.runUntilIdle();
    EXPECT_FALSE(world.window(draft.number()));
}

TEST_F(StandInResponderTest, TheProgramsOwnWindowHasItsOwnButtonsPressed) {
    auto own = std::make_shared<platform::Window>(appKit(Rect{200, 100, 600, 400}),
                                                  platform::titledWindowMask | platform::closableWindowMask);
    own->orderFront();
    auto ownSubject = std::make_shared<FakeSubject>(*target(*world.window(own->windowNumber())));
    auto ownResponder = StandInResponder::create(ownSubject, engine, rules, preferences);
    // Not miniaturizable: its minimize button is disabled, and a click on it does nothing.
    ownResponder->standInButtonClicked(*panel, WindowButton::minimize);
    EXPECT_TRUE(asked().empty());
    ownResponder->standInButtonClicked(*panel, WindowButton::close);
    EXPECT_EQ(asked().front(), "changeState inPlace normal then");
    EXPECT_TRUE(own->isClosed());
}

TEST_F(StandInResponderTest, ClicksRestoreThumbnailsWhenTheUserWantsItAndEngageLiveCopies) {
    subject->kind = StandIn::thumbnail;
    responder->standInClicked(*panel, 0);
    EXPECT_EQ(asked(), (std::vector<std::string>{"changeState bringForward normal"}));
    preferences->setSingleClickRestores(false);
    responder->standInClicked(*panel, 0);
    subject->kind = StandIn::liveCopy;
    responder->standInClicked(*panel, 0);
    responder->standInDoubleClicked(*panel, 0);
    subject->kind = StandIn::titleStrip;
    responder->standInClicked(*panel, 0);
    subject->kind = StandIn::none;
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
    platform::SimulatedInput::of(world).setModifierFlags(flags::shift);
    for (int item : {0, 1, 3}) EXPECT_TRUE(menu->performActionForItem(item));
    EXPECT_EQ(asked(), (std::vector<std::string>{
                           "changeState bringForward slowMotion", "restoreWindows slowMotion",
                           "act HideApplication " + std::to_string(draft.number()) + " none inPlace normal"}));
    subject->kind = StandIn::thumbnail;
    EXPECT_TRUE(responder->standInMenu(*panel, true));
}

TEST_F(StandInResponderTest, ItKeepsTheRulesAndPreferencesWhenTheirOtherOwnersLetGo) {
    preferences->setSingleClickRestores(true);
    rules.reset();
    preferences.reset();
    subject->kind = StandIn::thumbnail;
    responder->standInClicked(*panel, 0);
    subject->kind = StandIn::titleStrip;
    responder->standInDoubleClicked(*panel, 0);
    EXPECT_EQ(asked(), (std::vector<std::string>{"changeState bringForward normal",
                                                 "act Furlpane" + on + " bringForward normal"}));
}

TEST_F(StandInResponderTest, NothingIsAskedOnceTheEngineOrTheWindowIsGone) {
    const auto menu = responder->standInMenu(*panel, false);
    engine.reset();
    responder->standInDoubleClicked(*panel, 0);
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
