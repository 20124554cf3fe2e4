#include <gtest/gtest.h>

#include <any>
#include <memory>
#include <set>
#include <string>

#include "platform/appkit/application.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_once.h"
#include "platform/scenario/program_host.h"
#include "platform/windowserver/private_hot_keys.h"
#include "platform/windowserver/private_spaces.h"
#include "platform/windowserver/private_window_server.h"
#include "platform/windowserver/symbols.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using desktop::Application;
using desktop::Desktop;
using desktop::FaultCall;

std::set<int64_t> integers(const plist::Value& value) {
    std::set<int64_t> result;
    for (const auto& v : *value.array()) result.insert(*v.integer());
    return result;
}

TEST(PrivateCalls, ManagedDisplaySpacesTellEachDisplaysCurrentSpace) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop, {.displays = {{}, {.frame = Rect{1440, 0, 1280, 800}}}});
    auto spaces = lookupSymbol<ManagedDisplaySpacesCall>("CGSCopyManagedDisplaySpaces");
    ASSERT_NE(spaces, nullptr);
    const uint32_t second = world.displays().all()[1]->number();
    const uint64_t added = world.spaces().add(second, desktop::SpaceKind::fullScreen);
    world.spaces().switchTo(added);
    const auto answer = spaces(windowServerMainConnection());
    ASSERT_TRUE(answer && answer->array());
    ASSERT_EQ(answer->array()->size(), 2u);
    const plist::Dictionary& display = *(*answer->array())[1].dictionary();
    EXPECT_EQ(*display.find("Display Identifier")->string(), std::to_string(second));
    const plist::Dictionary& current = *display.find("Current Space")->dictionary();
    EXPECT_EQ(current.find("ManagedSpaceID")->integer(), int64_t(added));
    EXPECT_EQ(current.find("type")->integer(), 4);
    EXPECT_EQ(display.find("Spaces")->array()->size(), 2u);
    EXPECT_FALSE(spaces(windowServerMainConnection() + 1));

    world.faults().on(FaultCall::managedDisplaySpaces).times(1).wrongType();
    EXPECT_TRUE(spaces(windowServerMainConnection())->isString());
    world.faults().on(FaultCall::managedDisplaySpaces).times(1).fail();
    EXPECT_FALSE(spaces(windowServerMainConnection()));
}

TEST(PrivateCalls, SpacesOfWindowsFollowTheSelector) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& app = world.application("com.example.App").window("Here").window("Away").window("Everywhere").add();
    const uint32_t display = world.displays().first()->number();
    const uint64_t shown = *world.spaces().current(display);
    const uint64_t other = world.spaces().add(display);
    auto* away = app.windows()[1];
    auto* everywhere = app.windows()[0];
    away->moveToSpace(other);
    everywhere->moveToSpace(0);
    auto call = lookupSymbol<SpacesForWindowsCall>("CGSCopySpacesForWindows");
    ASSERT_NE(call, nullptr);
    const int32_t cid = windowServerMainConnection();
    const plist::Array all{int64_t(app.windows()[2]->number()), int64_t(away->number()), int64_t(everywhere->number()),
                           "junk", int64_t(9999)};
    EXPECT_EQ(integers(*call(cid, space_selectors::all, all)), (std::set<int64_t>{int64_t(shown), int64_t(other)}));
    EXPECT_EQ(integers(*call(cid, space_selectors::current, all)), (std::set<int64_t>{int64_t(shown)}));
    EXPECT_EQ(integers(*call(cid, space_selectors::others, all)), (std::set<int64_t>{int64_t(other)}));
    EXPECT_EQ(call(cid, space_selectors::all, all)->array()->size(), 2u);  // each Space once
}

TEST(PrivateCalls, TheHotKeyModeAndTheSymbolicHotKeysCanBeReadAndSet) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    const int32_t cid = windowServerMainConnection();
    auto get = lookupSymbol<GetHotKeyOperatingModeCall>("CGSGetGlobalHotKeyOperatingMode");
    auto set = lookupSymbol<SetHotKeyOperatingModeCall>("CGSSetGlobalHotKeyOperatingMode");
    auto value = lookupSymbol<GetSymbolicHotKeyValueCall>("CGSGetSymbolicHotKeyValue");
    auto enabled = lookupSymbol<IsSymbolicHotKeyEnabledCall>("CGSIsSymbolicHotKeyEnabled");
    ASSERT_TRUE(get && set && value && enabled);

    uint32_t mode = 99;
    EXPECT_EQ(get(cid, &mode), 0);
    EXPECT_EQ(mode, 0u);
    EXPECT_EQ(set(cid, 2), 0);
    EXPECT_EQ(world.hotKeys().operatingMode(), 2u);
    EXPECT_NE(set(cid + 1, 0), 0);
    EXPECT_NE(get(cid, nullptr), 0);
    world.faults().on(FaultCall::hotKeyOperatingMode, "get").times(1).fail(1000);
    EXPECT_EQ(get(cid, &mode), 1000);
    world.faults().on(FaultCall::hotKeyOperatingMode, "set").times(1).fail();
    EXPECT_NE(set(cid, 0), 0);
    EXPECT_EQ(world.hotKeys().operatingMode(), 2u);

    // Spotlight on Command-Space; Mission Control with the arrow key's extra bits; one without a key.
    uint16_t character = 0, keyCode = 0;
    uint32_t modifiers = 0;
    EXPECT_EQ(value(64, &character, &keyCode, &modifiers), 0);
    EXPECT_EQ((std::tuple{character, keyCode, modifiers}), (std::tuple{uint16_t(' '), uint16_t(49), 0x100000u}));
    EXPECT_EQ(value(32, &character, &keyCode, &modifiers), 0);
    EXPECT_EQ(modifiers, 0xA40000u);
    EXPECT_EQ(value(175, &character, &keyCode, &modifiers), 0);
    EXPECT_EQ(keyCode, 0xFFFF);
    EXPECT_TRUE(enabled(64));
    EXPECT_FALSE(enabled(61));
    EXPECT_NE(value(5, &character, &keyCode, &modifiers), 0);  // no value
    EXPECT_NE(value(512, &character, &keyCode, &modifiers), 0);
    EXPECT_FALSE(enabled(-1));
    world.hotKeys().setEnabled(64, false);
    EXPECT_FALSE(enabled(64));
    world.hotKeys().setSymbolicHotKey(300, desktop::SymbolicHotKey{'k', 40, 0x140000, true});
    EXPECT_EQ(value(300, &character, &keyCode, &modifiers), 0);
    EXPECT_EQ(keyCode, 40);
    world.faults().on(FaultCall::symbolicHotKey, "300").times(1).fail();
    EXPECT_NE(value(300, &character, &keyCode, &modifiers), 0);
}

// Two instances of the program pause the system's shortcuts as two recording sheets do,
// each saving the mode it finds, and maybe put them back, the inner one first; then both
// end. A setting that another lies over is not undone at its end, and one that was put
// back leaves nothing to undo, whichever ends first, by a quit or a crash.
TEST(PrivateCalls, NestedPausesOfTheHotKeyModeLeaveTheShortcutsOnWhicheverEndsFirst) {
    constexpr uint32_t kOn = desktop::SystemHotKeys::kModeEnabled;
    constexpr uint32_t kPaused = desktop::SystemHotKeys::kModeDisabledExceptUniversalAccess;
    struct Case {
        const char* what;
        bool putBack;
        bool innerEndsFirst;
        bool crash;
        uint32_t afterFirstEnd;  // the one left still records while it has not put them back
    };
    const Case cases[] = {
        {"put back; the inner one quits first", true, true, false, kOn},
        {"put back; the inner one crashes first", true, true, true, kOn},
        {"put back; the outer one quits first", true, false, false, kOn},
        {"put back; the outer one crashes first", true, false, true, kOn},
        {"paused; the inner one quits first", false, true, false, kPaused},
        {"paused; the inner one crashes first", false, true, true, kPaused},
        {"paused; the outer one quits first", false, false, false, kPaused},
        {"paused; the outer one crashes first", false, false, true, kPaused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MainLoop loop(ClockKind::simulated);
        Desktop world(loop);
        furlpane_test::TempFolder folder;
        const auto program = [] { return std::make_shared<ApplicationDelegate>(); };
        scenario::ProgramHost outer(world, program, folder.path()), inner(world, program, folder.path());
        ASSERT_TRUE(outer.launch() && inner.launch());
        const auto set = [](scenario::ProgramHost& host, uint32_t mode) {
            host.asProgram([mode] { windowServerSetGlobalHotKeyOperatingMode(windowServerMainConnection(), mode); });
        };
        const uint32_t outerFound = world.hotKeys().operatingMode();
        set(outer, kPaused);
        const uint32_t innerFound = world.hotKeys().operatingMode();
        set(inner, kPaused);
        if (c.putBack) {
            set(inner, innerFound);
            set(outer, outerFound);
            ASSERT_EQ(world.hotKeys().operatingMode(), kOn);
        }
        const auto end = [&](scenario::ProgramHost& host) {
            EXPECT_TRUE(c.crash ? host.crash() : host.quit());
            loop.runUntilIdle();
        };
        end(c.innerEndsFirst ? inner : outer);
        EXPECT_EQ(world.hotKeys().operatingMode(), c.afterFirstEnd);
        end(c.innerEndsFirst ? outer : inner);
        EXPECT_EQ(world.hotKeys().operatingMode(), kOn);
    }
}

// What a program keeps once per process.
struct SpacesCalls {
    int32_t connection = 0;
    ManagedDisplaySpacesCall managed = nullptr;
    SpacesForWindowsCall ofWindows = nullptr;
};

SpacesCalls spacesCalls() {
    static ProcessOnce<SpacesCalls> calls;
    return calls.get([] {
        auto connection = lookupSymbol<MainConnectionCall>("CGSMainConnectionID");
        auto managed = lookupSymbol<ManagedDisplaySpacesCall>("CGSCopyManagedDisplaySpaces");
        auto ofWindows = lookupSymbol<SpacesForWindowsCall>("CGSCopySpacesForWindows");
        if (!connection || !managed || !ofWindows) return SpacesCalls{};
        return SpacesCalls{connection(), managed, ofWindows};
    });
}

TEST(PrivateCalls, AnyCallCanBeMissingAndLookupsAreCountedOncePerProcess) {
    MainLoop loop(ClockKind::simulated);
    for (const std::string& name : knownSymbolNames()) {
        Desktop world(loop);
        world.privateCalls().remove(name);
        EXPECT_EQ(lookupSymbol<MainConnectionCall>(name), nullptr) << name;
        EXPECT_EQ(world.privateCalls().lookupCount(name), 1) << name;
        world.privateCalls().restore(name);
        EXPECT_NE(detail::findSymbol(name), nullptr) << name;
    }
    EXPECT_EQ(knownSymbolNames().size(), 12u);

    Desktop world(loop);
    world.privateCalls().remove("CGSCopySpacesForWindows");
    EXPECT_EQ(spacesCalls().managed, nullptr);  // one missing: none kept
    world.privateCalls().restore("CGSCopySpacesForWindows");
    EXPECT_EQ(spacesCalls().managed, nullptr);  // never looked up again
    EXPECT_EQ(world.privateCalls().lookupCount("CGSCopyManagedDisplaySpaces"), 1);
}

}  // namespace
}  // namespace platform
