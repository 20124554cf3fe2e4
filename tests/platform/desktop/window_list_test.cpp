#include "platform/windowserver/window_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_once.h"
#include "platform/windowserver/private_window_server.h"
#include "platform/windowserver/symbols.h"

namespace platform {
namespace {

using desktop::Application;
using desktop::Desktop;
using desktop::FaultCall;
using desktop::Window;

std::vector<int64_t> numbers(const std::optional<plist::Array>& list) {
    std::vector<int64_t> result;
    if (!list) return result;
    for (const auto& entry : *list) {
        const plist::Value* n = entry.dictionary() ? entry.dictionary()->find(WindowList::kNumber) : nullptr;
        result.push_back(n && n->integer() ? *n->integer() : -1);
    }
    return result;
}

struct ListedWorld {
    MainLoop loop{ClockKind::simulated};
    Desktop world{loop};
    Application& back = world.application("com.example.Back").window({.title = "B", .frame = Rect{0, 30, 200, 200}}).add();
    Application& front = world.application("com.example.Front")
                             .window({.title = "F1", .frame = Rect{50, 50, 300, 200}})
                             .window({.title = "F2", .frame = Rect{100, 80, 300, 200}})
                             .add();
    Window& b = *back.windows()[0];
    Window& f1 = *front.windows()[1];
    Window& f2 = *front.windows()[0];
    Window& menuBar = *world.windowsFrontToBack().front();
    Window& dock = *world.dock().window();
    Window& picture = *world.window(world.dock().desktopPictureWindows()[0]);
};

TEST(WindowList, EntriesComeFrontToBackWithTheKeysOfTheWindowServer) {
    ListedWorld w;
    auto all = WindowList::copyWindowInfo(WindowList::all, WindowList::kNullWindow);
    ASSERT_TRUE(all);
    EXPECT_EQ(numbers(all), (std::vector<int64_t>{w.menuBar.number(), w.dock.number(), w.f2.number(), w.f1.number(),
                                                  w.b.number(), w.picture.number()}));
    const plist::Dictionary& entry = *(*all)[2].dictionary();
    EXPECT_EQ(entry.find(WindowList::kOwnerPID)->integer(), w.front.pid());
    EXPECT_EQ(*entry.find(WindowList::kOwnerName)->string(), "Front");
    EXPECT_EQ(entry.find(WindowList::kLayer)->integer(), 0);
    EXPECT_EQ(entry.find(WindowList::kAlpha)->real(), 1.0);
    EXPECT_EQ(entry.find(WindowList::kIsOnscreen)->boolean(), true);
    EXPECT_EQ(rectFromDictionary(*entry.find(WindowList::kBounds)), (Rect{100, 80, 300, 200}));
    EXPECT_EQ(*(*all)[1].dictionary()->find(WindowList::kOwnerName)->string(), "Dock");
    EXPECT_EQ((*all)[1].dictionary()->find(WindowList::kLayer)->integer(), windowLevelForKey(WindowLevelKey::dock));

    // A minimized window stays in the full list, without the on-screen key.
    w.f1.minimize();
    w.loop.advance(1);  // the trip into the Dock
    all = WindowList::copyWindowInfo(WindowList::all, WindowList::kNullWindow);
    EXPECT_EQ(numbers(all).back() == w.picture.number(), true);
    for (const auto& e : *all) {
        if (e.dictionary()->find(WindowList::kNumber)->integer() == w.f1.number()) {
            EXPECT_EQ(e.dictionary()->find(WindowList::kIsOnscreen), nullptr);
        }
    }
}

TEST(WindowList, OptionsSelectOnScreenWindowsAroundAWindowAndLeaveOutDesktopElements) {
    ListedWorld w;
    w.f1.minimize();
    w.loop.advance(1);  // the trip into the Dock
    const auto onScreen = numbers(WindowList::copyWindowInfo(WindowList::onScreenOnly, 0));
    EXPECT_EQ(onScreen, (std::vector<int64_t>{w.menuBar.number(), w.dock.number(), w.f2.number(), w.b.number(),
                                              w.picture.number()}));
    const auto noDesktop = numbers(WindowList::copyWindowInfo(WindowList::onScreenOnly | WindowList::excludeDesktopElements, 0));
    EXPECT_EQ(noDesktop, (std::vector<int64_t>{w.menuBar.number(), w.dock.number(), w.f2.number(), w.b.number()}));
    EXPECT_EQ(numbers(WindowList::copyWindowInfo(WindowList::includingWindow, w.f1.number())),
              std::vector<int64_t>{w.f1.number()});
    EXPECT_EQ(numbers(WindowList::copyWindowInfo(WindowList::onScreenAboveWindow, w.f2.number())),
              (std::vector<int64_t>{w.menuBar.number(), w.dock.number()}));
    EXPECT_EQ(numbers(WindowList::copyWindowInfo(WindowList::onScreenBelowWindow | WindowList::includingWindow,
                                                 w.f2.number())),
              (std::vector<int64_t>{w.f2.number(), w.b.number(), w.picture.number()}));
    EXPECT_TRUE(WindowList::copyWindowInfo(WindowList::onScreenBelowWindow, 9999)->empty());
    EXPECT_TRUE(WindowList::copyWindowInfo(WindowList::includingWindow, 9999)->empty());

    // Hidden applications and other Spaces are off screen.
    w.back.hide();
    EXPECT_EQ(numbers(WindowList::copyWindowInfo(17, 0)), (std::vector<int64_t>{w.menuBar.number(), w.dock.number(),
                                                                              w.f2.number()}));
    const uint64_t space = w.world.spaces().add(w.world.displays().first()->number());
    w.world.spaces().switchTo(space);
    EXPECT_EQ(numbers(WindowList::copyWindowInfo(17, 0)), (std::vector<int64_t>{w.menuBar.number(), w.dock.number()}));
}

TEST(WindowList, AListOrAnEntryCanFail) {
    ListedWorld w;
    w.world.faults().on(FaultCall::windowList).times(1).fail();
    EXPECT_FALSE(WindowList::copyWindowInfo(WindowList::onScreenOnly, 0));
    EXPECT_TRUE(WindowList::copyWindowInfo(WindowList::onScreenOnly, 0));
    w.world.faults().on(FaultCall::windowListEntry, WindowList::kBounds).forWindow(w.f2.number()).wrongType();
    w.world.faults().on(FaultCall::windowListEntry, WindowList::kAlpha).forWindow(w.f2.number()).missing();
    auto list = WindowList::copyWindowInfo(WindowList::includingWindow, w.f2.number());
    const plist::Dictionary& entry = *(*list)[0].dictionary();
    EXPECT_FALSE(rectFromDictionary(*entry.find(WindowList::kBounds)));
    EXPECT_EQ(entry.find(WindowList::kAlpha), nullptr);
    EXPECT_TRUE(entry.find(WindowList::kNumber));
}

// The keys of every entry, front to back; faults for single keys are looked for per
// key and per window however many rules there are, and only while one can still match.
TEST(WindowList, KeyFaultsReachTheEntriesTheyNameAndNoOthers) {
    using Keys = std::vector<std::string>;
    const Keys shown{WindowList::kNumber,     WindowList::kOwnerPID,  WindowList::kLayer,
                     WindowList::kBounds,     WindowList::kAlpha,     WindowList::kOwnerName,
                     WindowList::kIsOnscreen, WindowList::kStoreType, WindowList::kSharingState,
                     WindowList::kMemoryUsage};
    auto without = [&](const char* key) {
        Keys keys = shown;
        std::erase(keys, key);
        return keys;
    };
    struct Case {
        const char* name;
        std::function<void(ListedWorld&)> arrange;
        std::vector<Keys> keys;  // of f2, f1 and b, the three document windows
        std::optional<plist::Value> f1Layer;
    };
    const Case cases[] = {
        {"no fault", [](ListedWorld&) {}, {shown, shown, shown}, plist::Value(0)},
        {"a rule of another call", [](ListedWorld& w) { w.world.faults().on(FaultCall::readAttribute).fail(); },
         {shown, shown, shown}, plist::Value(0)},
        {"a used-up rule",
         [](ListedWorld& w) {
             w.world.faults().on(FaultCall::windowListEntry, WindowList::kLayer).times(0).missing();
         },
         {shown, shown, shown}, plist::Value(0)},
        {"once, for the first entry that has the key",
         [](ListedWorld& w) { w.world.faults().on(FaultCall::windowListEntry, WindowList::kOwnerName).times(1).missing(); },
         {shown, shown, shown}, plist::Value(0)},  // the menu bar's entry takes it
        {"one window's key",
         [](ListedWorld& w) {
             w.world.faults().on(FaultCall::windowListEntry, WindowList::kOwnerPID).forWindow(w.f1.number()).fail();
         },
         {shown, without(WindowList::kOwnerPID), shown}, plist::Value(0)},
        {"one application's answer",
         [](ListedWorld& w) {
             w.world.faults().on(FaultCall::windowListEntry, WindowList::kLayer).forApplication(w.front.pid()).answer(
                 plist::Value("top"));
         },
         {shown, shown, shown}, plist::Value("top")},
        {"every key of every window",
         [](ListedWorld& w) { w.world.faults().on(FaultCall::windowListEntry).missing(); }, {Keys{}, Keys{}, Keys{}},
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListedWorld w;
        c.arrange(w);
        const auto list = WindowList::copyWindowInfo(WindowList::all, WindowList::kNullWindow);
        ASSERT_TRUE(list);
        ASSERT_EQ(list->size(), 6u);
        for (size_t i = 0; i < 3; ++i) EXPECT_EQ((*list)[i + 2].dictionary()->keys(), c.keys[i]) << i;
        const plist::Value* layer = (*list)[3].dictionary()->find(WindowList::kLayer);
        EXPECT_EQ(layer ? std::optional<plist::Value>(*layer) : std::nullopt, c.f1Layer);
    }
}

TEST(WindowList, LevelsByKeyAndRectangleDictionaries) {
    EXPECT_EQ(windowLevelForKey(WindowLevelKey::normal), 0);
    EXPECT_EQ(windowLevelForKey(WindowLevelKey::floating), 3);
    EXPECT_EQ(windowLevelForKey(WindowLevelKey::dock), 20);
    EXPECT_EQ(windowLevelForKey(WindowLevelKey::mainMenu), 24);
    EXPECT_EQ(windowLevelForKey(WindowLevelKey::cursor), 2147483630);
    EXPECT_EQ(windowLevelForKey(static_cast<WindowLevelKey>(77)), 0);
    EXPECT_LT(windowLevelForKey(WindowLevelKey::desktop), windowLevelForKey(WindowLevelKey::desktopIcon));

    EXPECT_EQ(rectFromDictionary(dictionaryFromRect({1.5, -2, 30, 40})), (Rect{1.5, -2, 30, 40}));
    EXPECT_EQ(rectFromDictionary(plist::Dictionary{{"X", 1}, {"Y", 2}, {"Width", 3}, {"Height", 4}}), (Rect{1, 2, 3, 4}));
    EXPECT_FALSE(rectFromDictionary(plist::Dictionary{{"X", 1}, {"Y", 2}, {"Width", "3"}, {"Height", 4}}));
    EXPECT_FALSE(rectFromDictionary(plist::Value(5)));
}

TEST(PrivateWindowServer, BoundsComeThroughTheMainConnectionAndMayLagOrBeMissing) {
    ListedWorld w;
    auto connection = lookupSymbol<MainConnectionCall>("CGSMainConnectionID");
    auto bounds = lookupSymbol<WindowBoundsCall>("CGSGetWindowBounds");
    ASSERT_TRUE(connection && bounds);
    const int32_t cid = connection();
    Rect r;
    EXPECT_EQ(bounds(cid, w.f2.number(), &r), 0);
    EXPECT_EQ(r, w.f2.frame());
    EXPECT_NE(bounds(cid + 1, w.f2.number(), &r), 0);
    EXPECT_NE(bounds(cid, 9999, &r), 0);
    EXPECT_NE(bounds(cid, w.f2.number(), nullptr), 0);

    // While a window travels the private bounds lag behind the list's.
    const Rect before = w.f2.frame();
    w.f2.lagPrivateBounds(before, 0.5);
    w.f2.moveTo({400, 400});
    EXPECT_EQ(bounds(cid, w.f2.number(), &r), 0);
    EXPECT_EQ(r, before);
    w.loop.advance(0.5);
    EXPECT_EQ(bounds(cid, w.f2.number(), &r), 0);
    EXPECT_EQ(r.origin, (Point{400, 400}));

    w.world.faults().on(FaultCall::windowBounds).forWindow(w.f2.number()).times(1).fail(1000);
    EXPECT_EQ(bounds(cid, w.f2.number(), &r), 1000);
    w.world.privateCalls().remove("CGSGetWindowBounds");
    EXPECT_EQ(lookupSymbol<WindowBoundsCall>("CGSGetWindowBounds"), nullptr);
    EXPECT_NE(lookupSymbol<MainConnectionCall>("CGSMainConnectionID"), nullptr);
    EXPECT_EQ(lookupSymbol<MainConnectionCall>("CGSNoSuchCall"), nullptr);
}

}  // namespace
}  // namespace platform

namespace platform {
namespace {

// What a program keeps once per process, found afresh in every world.
WindowBoundsCall boundsCall() {
    static ProcessOnce<WindowBoundsCall> call;
    return call.get([] { return lookupSymbol<WindowBoundsCall>("CGSGetWindowBounds"); });
}

TEST(PrivateWindowServer, EachWorldIsAFreshProcessForCallsLookedUpOnce) {
    MainLoop loop(ClockKind::simulated);
    {
        desktop::Desktop world(loop);
        EXPECT_NE(boundsCall(), nullptr);
        EXPECT_NE(boundsCall(), nullptr);
        EXPECT_EQ(world.privateCalls().lookupCount("CGSGetWindowBounds"), 1);
    }
    desktop::Desktop world(loop);
    world.privateCalls().remove("CGSGetWindowBounds");
    EXPECT_EQ(boundsCall(), nullptr);
    EXPECT_EQ(world.privateCalls().lookupCount("CGSGetWindowBounds"), 1);
}

}  // namespace
}  // namespace platform
