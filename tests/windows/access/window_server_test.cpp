// The window server layer: the window under a point, on-screen windows and bounds,
// window pictures and backdrops.

#include "windows/access/window_server.h"

#include "access_test_support.h"
#include "platform/appkit/window.h"

namespace furlpane {

// Printed by gtest when a comparison fails.
void PrintTo(const WindowServer::WindowHit& hit, std::ostream* os) {
    *os << "window " << hit.id << " of " << hit.processIdentifier << " at " << platform::describe(hit.bounds)
        << (hit.isLayerZero ? " on layer 0" : "");
}

}  // namespace furlpane

namespace access_test {
namespace {

using platform::WindowList;
using Hit = WindowServer::WindowHit;
using Resolution = WindowServer::CaptureResolution;
using Framing = WindowServer::Framing;

class WindowServerTest : public AccessTest {
protected:
    std::optional<Hit> under(Point point, const plist::Array& list, std::optional<int32_t> pid = std::nullopt) {
        return WindowServer::windowUnderPoint(point, pid, list);
    }
    std::optional<platform::Image> capture(uint32_t window, Resolution resolution = Resolution::display,
                                           Framing framing = Framing::plain) {
        return WindowServer::captureWindow(window, resolution, framing);
    }
    const int32_t own = world.ownProcessIdentifier();
    const Rect area{100, 100, 400, 300};
};

TEST_F(WindowServerTest, TheFrontmostVisibleWindowOnLayerZeroIsUnderThePoint) {
    const plist::Array list{windowEntry(5, 700, 0, area, 0.0), windowEntry(6, 700, 0, area, std::nullopt),
                            windowEntry(7, 701, 0, area)};
    EXPECT_EQ(under({200, 200}, list), (Hit{6, 700, area, true}));
    // The right and bottom edges lie outside.
    EXPECT_FALSE(under({500, 200}, list));
    EXPECT_FALSE(under({200, 400}, list));
    EXPECT_TRUE(under({100, 100}, list));
    // Alpha that is not a number does not hide a window.
    plist::Array oddAlpha{windowEntry(8, 700, 0, area, std::nullopt)};
    oddAlpha[0].dictionary()->set(WindowList::kAlpha, "opaque");
    EXPECT_EQ(under({200, 200}, oddAlpha)->id, 8u);
}

TEST_F(WindowServerTest, WindowsOffLayerZeroCountOnlyForTheProcessAskedAbout) {
    const plist::Array list{windowEntry(5, 700, 25, area), windowEntry(7, 701, 0, area)};
    EXPECT_EQ(under({200, 200}, list)->id, 7u);
    EXPECT_EQ(under({200, 200}, list, 701)->id, 7u);
    EXPECT_EQ(under({200, 200}, list, 700), (Hit{5, 700, area, false}));
}

TEST_F(WindowServerTest, EntriesLackingAKeyOrHoldingAnotherTypeArePassedOver) {
    plist::Array list{plist::Value("not an entry")};
    for (int64_t n = 1; n <= 5; ++n) list.push_back(windowEntry(n, 700, 0, area));
    list[1].dictionary()->erase(WindowList::kNumber);
    list[2].dictionary()->set(WindowList::kOwnerPID, "700");
    list[3].dictionary()->set(WindowList::kLayer, 0.0);
    list[4].dictionary()->set(WindowList::kBounds, "everywhere");
    EXPECT_EQ(under({200, 200}, list)->id, 5u);
    EXPECT_FALSE(under({200, 200}, {}));
}

TEST_F(WindowServerTest, OwnClickThroughPanelsLetThePointFallThroughOwnPanelsTakingClicksAnswerOnAnyLayer) {
    auto hover = ownWindow<platform::Panel>(area, platform::nonactivatingPanelMask);
    hover->setIgnoresMouseEvents(true);
    hover->setLevel(platform::window_levels::floating);
    auto standIn = ownWindow<platform::Panel>(area, platform::nonactivatingPanelMask);
    standIn->setLevel(platform::window_levels::floating);
    standIn->orderOut();
    auto& beneath = only({.title = "Beneath", .frame = area});
    const auto over = [&](int64_t ownNumber) {
        return plist::Array{windowEntry(ownNumber, own, 3, area), windowEntry(beneath.number(), beneath.pid(), 0, area)};
    };
    EXPECT_EQ(under({200, 200}, over(hover->windowNumber()))->id, beneath.number());
    EXPECT_EQ(under({200, 200}, over(standIn->windowNumber())), (Hit{standIn->windowNumber(), own, area, false}));
    // An own number the program has no window for (one it closed) counts too.
    EXPECT_EQ(under({200, 200}, over(9999))->id, 9999u);

    // The real window list, front to back, agrees.
    hover->setFrame(platform::flipRect(Rect{150, 150, 100, 100}, world.displays().firstMaxY()));
    const auto list = WindowList::copyWindowInfo(WindowList::onScreenOnly, WindowList::kNullWindow);
    EXPECT_EQ(under({200, 200}, *list)->id, beneath.number());
}

TEST_F(WindowServerTest, OnScreenBoundsAndWindowsLeaveOutWhatIsNotOnScreen) {
    world.dockTrips().setDuration(0);
    auto& app = editor({{.title = "One", .frame = Rect{10, 40, 300, 200}}, {.title = "Two", .frame = area}});
    auto& two = *app.windows()[0];
    auto& one = *app.windows()[1];
    EXPECT_EQ(WindowServer::onScreenBounds(one.number()), (Rect{10, 40, 300, 200}));
    auto ids = WindowServer::onScreenWindowIDs();
    const auto at = [&](uint32_t n) { return std::find(ids.begin(), ids.end(), n) - ids.begin(); };
    ASSERT_LT(at(one.number()), static_cast<long>(ids.size()));
    EXPECT_LT(at(two.number()), at(one.number()));  // front to back

    one.minimize();
    EXPECT_FALSE(WindowServer::onScreenBounds(one.number()));
    ids = WindowServer::onScreenWindowIDs();
    EXPECT_EQ(at(one.number()), static_cast<long>(ids.size()));
    app.hide();
    EXPECT_FALSE(WindowServer::onScreenBounds(two.number()));
    EXPECT_FALSE(WindowServer::onScreenBounds(424242));

    faults().on(FaultCall::windowList).times(1).fail();
    EXPECT_TRUE(WindowServer::onScreenWindowIDs().empty());
    faults().on(FaultCall::windowList).times(1).answer(plist::Array{windowEntry(1, 2, 0, area), plist::Value(3)});
    EXPECT_TRUE(WindowServer::onScreenWindowIDs().empty());  // a list that is not all entries
}

TEST_F(WindowServerTest, APictureHasTheResolutionAndFramingAskedForOrIsNothing) {
    const uint32_t one = only({.title = "One", .frame = Rect{100, 100, 200, 150}}).number();
    EXPECT_EQ(capture(one)->width(), 400);
    const auto nominal = capture(one, Resolution::nominal);
    const auto framed = capture(one, Resolution::nominal, Framing::framed);
    ASSERT_TRUE(nominal && framed);
    EXPECT_EQ(nominal->width(), 200);
    EXPECT_GT(framed->width(), nominal->width());  // at least as large: the framing analysis relies on it
    EXPECT_FALSE(capture(424242));

    faults().on(FaultCall::hardwareCapture).times(1).fail();
    EXPECT_FALSE(capture(one));
    faults().on(FaultCall::hardwareCapture).times(1).wrongType();
    EXPECT_FALSE(capture(one));
    faults().on(FaultCall::hardwareCapture).times(1).missing();
    EXPECT_FALSE(capture(one));
    EXPECT_TRUE(capture(one));

    // The group's fast bounds query gives the frame, or nothing for a window that is not.
    const auto symbols = WindowServer::loadCaptureSymbols();
    ASSERT_TRUE(symbols);
    EXPECT_NE(symbols->connection, 0);
    EXPECT_EQ(symbols->windowBounds(one), (Rect{100, 100, 200, 150}));
    EXPECT_FALSE(symbols->windowBounds(424242));
}

TEST_F(WindowServerTest, WithoutOneOfTheCaptureGroupsCallsThereIsNoGroupAtAll) {
    world.privateCalls().remove("CGSHWCaptureWindowList");
    const uint32_t one = only({.title = "One"}).number();
    EXPECT_FALSE(WindowServer::loadCaptureSymbols());
    EXPECT_FALSE(capture(one));
    world.privateCalls().restore("CGSHWCaptureWindowList");
    EXPECT_FALSE(WindowServer::loadCaptureSymbols());  // looked up once per process
    EXPECT_EQ(world.privateCalls().lookupCount("CGSGetWindowBounds"), 1);
}

TEST_F(WindowServerTest, TheBackdropLeavesOutWhatItIsToldAndEverythingAtOrAboveTheCursorLevel) {
    const int64_t cursor = platform::windowLevelForKey(platform::WindowLevelKey::cursor);
    plist::Array list{windowEntry(1, 700, 0, area), windowEntry(2, 700, cursor, area), windowEntry(3, 700, cursor - 1, area),
                      windowEntry(4, 700, 0, area), windowEntry(5, 700, 0, area), plist::Value(7)};
    list[3].dictionary()->erase(WindowList::kLayer);  // counts as layer 0
    list[4].dictionary()->erase(WindowList::kNumber);
    EXPECT_EQ(WindowServer::backdropWindowIDs(list, {1}), (std::vector<uint32_t>{3, 4}));

    const uint32_t over = only({.title = "Over", .frame = area}).number();
    const Rect inside{150, 150, 40, 30};
    const auto behind = WindowServer::captureBackdrop({over}, inside);
    const auto with = WindowServer::captureBackdrop({}, inside);
    ASSERT_TRUE(behind && with);
    EXPECT_EQ(behind->width(), 80);  // at the best resolution of the display
    EXPECT_FALSE(behind->hasSamePixels(*with));
    faults().on(FaultCall::backdropImage).times(1).fail();
    EXPECT_FALSE(WindowServer::captureBackdrop({}, inside));
}

TEST_F(WindowServerTest, WithoutTheBackdropCallThereIsNoBackdrop) {
    world.privateCalls().remove("CGWindowListCreateImageFromArray");
    EXPECT_FALSE(WindowServer::loadImageFromArraySymbol());
    EXPECT_FALSE(WindowServer::captureBackdrop({}, area));
}

}  // namespace
}  // namespace access_test
