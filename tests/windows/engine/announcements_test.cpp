// Announcing changes: the sound and the state-changed notification of every kind of
// change, the list of changed windows kept in step (and quiet when nothing changed), and
// the notifications of windows the engine lets go.

#include "tests/windows/engine/engine_test_support.h"

#include "platform/runtime/observation.h"
#include "windows/engine/effect_sounds.h"

namespace engine_test {
namespace {

using Before = WindowEffects::Before;
constexpr auto kInDock = WindowChange::minimized;
constexpr auto kOut = WindowChange::none;

const std::vector<std::string> kNineKeys{"WindowID",  "OldState", "NewState",   "IsCollapsed",   "ProcessID",
                                         "WasInDock", "IsInDock", "SoundIsDue", "SoundWasPlayed"};

class AnnouncementsTest : public EngineTest {
protected:
    desktop::Window& draft = *editor({{.title = "Draft", .frame = Rect{300, 200, 400, 300}}}).windows()[0];
    std::shared_ptr<AffectedWindow> window = changedWindow(draft);
    // The notification's line for the draft, from "<old>→<new>" on.
    std::string line(const std::string& rest) {
        return std::to_string(draft.number()) + " " + rest.substr(0, rest.find(" pid")) + " pid " +
               std::to_string(draft.owner().pid()) + rest.substr(rest.find(" pid") + 4);
    }
    void put(WindowState state, WindowChange change) {
        window->setState(state);
        window->setChange(change);
    }
};

TEST_F(AnnouncementsTest, TheSoundAndNotificationOfEveryKindOfChange) {
    enum Sounds { off, on, onWithoutFiles };
    const struct {
        const char* what;
        Before before;
        WindowState state;
        WindowChange change;
        WindowEffects::SoundWish wish;
        Sounds sounds;
        bool companion;
        std::vector<std::string> heard;
        std::string notification;  // "" for none
        bool due;
    } cases[] = {
        {"shading", {{}, kOut}, {Style::shaded, false}, kInDock, WindowEffects::SoundWish::wanted, on, false,
         {"Collapse"}, "0→1 collapsed 1 pid dock 0→1 sound 1/1", true},
        {"strip to thumbnail", {{Style::shaded, false}, kInDock}, {Style::minimizedInPlace, false}, kInDock,
         WindowEffects::SoundWish::wanted, on, false, {"Collapse"}, "1→7 collapsed 1 pid dock 1→1 sound 1/1", true},
        {"restoring a thumbnail", {{Style::minimizedInPlace, false}, kInDock}, {}, kOut,
         WindowEffects::SoundWish::wanted, on, false, {"Expand"}, "7→0 collapsed 0 pid dock 1→0 sound 1/1", true},
        {"floating alone", {{}, kOut}, {std::nullopt, true}, kOut, WindowEffects::SoundWish::wanted, on, false,
         {"FloatOnTop_Begin"}, "", true},
        {"sounds off", {{}, kOut}, {Style::shaded, false}, kInDock, WindowEffects::SoundWish::wanted, off, false, {},
         "0→1 collapsed 1 pid dock 0→1 sound 1/0", true},
        {"sound files missing", {{}, kOut}, {Style::shaded, false}, kInDock, WindowEffects::SoundWish::wanted,
         onWithoutFiles, false, {}, "0→1 collapsed 1 pid dock 0→1 sound 1/1", true},
        {"the companion plays trips", {{}, kOut}, {Style::shaded, false}, kInDock, WindowEffects::SoundWish::wanted,
         on, true, {}, "0→1 collapsed 1 pid dock 0→1 sound 0/0", false},
        {"no sound wanted", {{}, kOut}, {Style::shaded, false}, kInDock, WindowEffects::SoundWish::notWanted, on,
         false, {}, "0→1 collapsed 1 pid dock 0→1 sound 0/0", false},
        {"nothing changed", {{Style::shaded, true}, kInDock}, {Style::shaded, true}, kInDock,
         WindowEffects::SoundWish::wanted, on, false, {}, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        engine = WindowEffects::create(*preferences);
        preferences->setPlaysSounds(c.sounds != off);
        if (c.sounds == onWithoutFiles) shipNoSounds();
        auto* companion = c.companion ? &editor({}, EffectSounds::kCompanionBundleIdentifier) : nullptr;
        put(c.state, c.change);

        EXPECT_EQ(engine->announce(window, c.before, c.wish), c.due);
        EXPECT_EQ(heard(), c.heard);
        for (const auto& posted : platform::DistributedNotificationCenter::defaultCenter().posted()) {
            EXPECT_TRUE(posted.deliverImmediately && !posted.object);
            EXPECT_EQ(posted.userInfo.keys(), kNineKeys);
        }
        EXPECT_EQ(announced(), c.notification.empty() ? std::vector<std::string>{}
                                                       : std::vector<std::string>{line(c.notification)});
        if (companion) companion->quit();
        shipSounds();
        loop.runUntilIdle();
    }
}

TEST_F(AnnouncementsTest, TheListHoldsExactlyTheWindowsWithAStyleOrFloatingAndIsQuietOtherwise) {
    int changes = 0;
    bool armed = false;
    // One tracker at a time, armed again once it has fired, as the status menu does.
    auto track = [&] {
        if (armed) return;
        armed = true;
        platform::withObservationTracking([&] { (void)engine->windows(); }, [&] {
            ++changes;
            armed = false;
        });
    };
    const auto other = changedWindow(*editor({{.title = "Other"}}, "com.example.Other").windows()[0]);
    const struct {
        std::shared_ptr<AffectedWindow> window;
        WindowState state;
        size_t listed;
        int notified;
    } steps[] = {
        {window, {}, 0, 0},                           // normal and not listed: nothing
        {window, {std::nullopt, true}, 1, 1},         // floating: listed
        {window, {std::nullopt, true}, 1, 0},         // floating and listed: nothing
        {other, {Style::shaded, false}, 2, 1},        // a second window goes after it
        {window, {Style::shaded, true}, 2, 0},        // another state, still listed
        {window, {}, 1, 1},                           // back to normal: unlisted
    };
    for (const auto& step : steps) {
        changes = 0;
        track();
        step.window->setState(step.state);
        engine->refreshList(step.window);
        EXPECT_EQ(engine->windows().size(), step.listed);
        EXPECT_EQ(changes, step.notified);
    }
    EXPECT_EQ(engine->windows().front(), other);
    EXPECT_EQ(engine->findAffected(other->target().id), other);
    EXPECT_FALSE(engine->findAffected(draft.number()));
}

TEST_F(AnnouncementsTest, WindowsLetGoAreAnnouncedAsTheirWriterSays) {
    const struct {
        const char* what;
        WindowState state;
        WindowChange change;
        int writer;  // 0 stateDidChange (floating ended), 1 forget, 2 forgetAndAnnounce
        std::string notification;
    } cases[] = {
        {"a live copy minimized by the user", {std::nullopt, false}, kOut, 0, ""},
        {"a strip whose floating ended", {Style::shaded, false}, kInDock, 0, ""},
        {"a window that went away", {Style::shaded, false}, kInDock, 1, ""},
        {"a thumbnail brought out of the Dock", {Style::minimizedInPlace, false}, kInDock, 2,
         "7→0 collapsed 0 pid dock 1→0 sound 0/0"},
        {"a floating window brought back", {std::nullopt, true}, kOut, 2, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        window->ledger().record({draft.number(), draft.owner().pid(), LedgerEntry::Minimized{}});
        put({c.state.style, true}, c.change);
        engine->refreshList(window);
        announced();
        const WindowEffects::Before before{window->state(), window->change()};
        put(c.state, c.change);
        if (c.writer == 0) engine->stateDidChange(window, before);
        if (c.writer == 1) run(engine->forget(window));
        if (c.writer == 2) run(engine->forgetAndAnnounce(window));

        const bool stays = c.writer == 0 && (c.state.style || c.state.isFloating);
        EXPECT_EQ(engine->windows().size(), stays ? 1u : 0u);
        EXPECT_EQ(window->ledger().entries().count(draft.number()), stays ? 1u : 0u);
        if (!stays) {
            EXPECT_EQ(window->change(), kOut);
        }
        EXPECT_EQ(announced(), c.notification.empty() ? std::vector<std::string>{}
                                                       : std::vector<std::string>{line(c.notification)});
        EXPECT_TRUE(heard().empty());
        put({}, kOut);
        engine->refreshList(window);
    }
}

}  // namespace
}  // namespace engine_test
