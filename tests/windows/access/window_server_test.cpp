// The window server layer: the window under a point, on-screen windows and bounds,
// window pictures and backdrops.

#include "windows/access/window_server.h"

#include <gtest/gtest.h>

#include <memory>

#include "access_test_support.h"
#include "platform/appkit/application.h"
#include "platform/appkit/window.h"
#include "platform/windowserver/window_list.h"

namespace furlpane {

// Printed by gtest when a comparison fails.
void PrintTo(const WindowServer::WindowHit& hit, std::ostream* os) {
    *os << "window " << hit.id << " of " << hit.processIdentifier << " at " << platform::describe(hit.bounds)
        << (hit.isLayerZero ? " on layer 0" : "");
}

namespace {

using access_test::AccessTest;
using platform::Rect;
using platform::WindowList;
using platform::desktop::FaultCall;
namespace plist = platform::plist;
using Hit = WindowServer::WindowHit;
using Resolution = WindowServer::CaptureResolution;
using Framing = WindowServer::Framing;

// A window-list entry as the window server writes one.
plist::Value entry(int64_t number, int64_t pid, int64_t layer, Rect bounds, std::optional<double> alpha = 1.0) {
    plist::Dictionary d{{WindowList::kNumber, number},
                        {WindowList::kOwnerPID, pid},
                        {WindowList::kLayer, layer},
                        {WindowList::kBounds, platform::dictionaryFromRect(bounds)}};
    if (alpha) d.set(WindowList::kAlpha, *alpha);
    return plist::Value(std::move(d));
}

class WindowServerTest : public AccessTest {
protected:
    const int32_t own = world.ownProcessIdentifier();
    const Rect area{100, 100, 400, 300};
};

TEST_F(WindowServerTest, TheFrontmostVisibleWindowOnLayerZeroIsUnderThePoint) {
    const plist::Array list{entry(5, 700, 0, area, 0.0), entry(6, 700, 0, area, std::nullopt), entry(7, 701, 0, area)};
    EXPECT_EQ(WindowServer::windowUnderPoint({200, 200}, std::nullopt, list), (Hit{6, 700, area, true}));
    // The right and bottom edges lie outside.
    EXPECT_FALSE(WindowServer::windowUnderPoint({500, 200}, std::nullopt, list));
    EXPECT_FALSE(WindowServer::windowUnderPoint({200, 400}, std::nullopt, list));
    EXPECT_TRUE(WindowServer::windowUnderPoint({100, 100}, std::nullopt, list));
    // Alpha that is not a number does not hide a window.
    plist::Array oddAlpha{entry(8, 700, 0, area, std::nullopt)};
    oddAlpha[0].dictionary()->set(WindowList::kAlpha, "opaque");
    EXPECT_EQ(WindowServer::windowUnderPoint({200, 200}, std::nullopt, oddAlpha)->id, 8u);
}

TEST_F(WindowServerTest, WindowsOffLayerZeroCountOnlyForTheProcessAskedAbout) {
    const plist::Array list{entry(5, 700, 25, area), entry(7, 701, 0, area)};
    EXPECT_EQ(WindowServer::windowUnderPoint({200, 200}, std::nullopt, list)->id, 7u);
    EXPECT_EQ(WindowServer::windowUnderPoint({200, 200}, 701, list)->id, 7u);
    EXPECT_EQ(WindowServer::windowUnderPoint({200, 200}, 700, list), (Hit{5, 700, area, false}));
}

TEST_F(WindowServerTest, EntriesLackingAKeyOrHoldingAnotherTypeArePassedOver) {
    plist::Array list{plist::Value("not an entry"), entry(1, 700, 0, area), entry(2, 700, 0, area), entry(3, 700, 0, area),
                      entry(4, 700, 0, area), entry(5, 700, 0, area)};
    list[1].dictionary()->erase(WindowList::kNumber);
    list[2].dictionary()->set(WindowList::kOwnerPID, "700");
    list[3].dictionary()->set(WindowList::kLayer, 0.0);
    list[4].dictionary()->set(WindowList::kBounds, "everywhere");
    EXPECT_EQ(WindowServer::windowUnderPoint({200, 200}, std::nullopt, list)->id, 5u);
    EXPECT_FALSE(WindowServer::windowUnderPoint({200, 200}, std::nullopt, {}));
}

TEST_F(WindowServerTest, OwnClickThroughPanelsLetThePointFallThroughOwnPanelsTakingClicksAnswerOnAnyLayer) {
    const double h = world.displays().firstMaxY();
    auto hover = std::make_shared<platform::Panel>(platform::flipRect(area, h), platform::nonactivatingPanelMask);
    hover->setIgnoresMouseEvents(true);
    hover->setLevel(platform::window_levels::floating);
    hover->orderFront();
    auto standIn = std::make_shared<platform::Panel>(platform::flipRect(area, h), platform::nonactivatingPanelMask);
    standIn->setLevel(platform::window_levels::floating);
    auto& app = editor({{.title = "Beneath", .frame = area}});
    const uint32_t beneath = app.windows()[0]->number();

    const plist::Array throughHover{entry(hover->windowNumber(), own, 3, area), entry(beneath, app.pid(), 0, area)};
    EXPECT_EQ(WindowServer::windowUnderPoint({200, 200}, std::nullopt, throughHover)->id, beneath);
    const plist::Array onStandIn{entry(standIn->windowNumber(), own, 3, area), entry(beneath, app.pid(), 0, area)};
    EXPECT_EQ(WindowServer::windowUnderPoint({200, 200}, std::nullopt, onStandIn),
              (Hit{standIn->windowNumber(), own, area, false}));
    // An own number the program has no window for (one it closed) counts too.
    const plist::Array unknown{entry(9999, own, 3, area), entry(beneath, app.pid(), 0, area)};
    EXPECT_EQ(WindowServer::windowUnderPoint({200, 200}, std::nullopt, unknown)->id, 9999u);

    // The real window list, front to back, agrees.
    hover->setFrame(platform::flipRect(Rect{150, 150, 100, 100}, h));
    const auto list = WindowList::copyWindowInfo(WindowList::onScreenOnly, WindowList::kNullWindow);
    EXPECT_EQ(WindowServer::windowUnderPoint({200, 200}, std::nullopt, *list)->id, beneath);
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

    world.faults().on(FaultCall::windowList).times(1).fail();
    EXPECT_TRUE(WindowServer::onScreenWindowIDs().empty());
    world.faults().on(FaultCall::windowList).times(1).answer(plist::Array{entry(1, 2, 0, area), plist::Value(3)});
    EXPECT_TRUE(WindowServer::onScreenWindowIDs().empty());  // a list that is not all entries
}

TEST_F(WindowServerTest, APictureTakesTheOptionWordOfItsResolutionAndFraming) {
    EXPECT_EQ(WindowServer::captureOptions(Resolution::display, Framing::plain), 0x900u);
    EXPECT_EQ(WindowServer::captureOptions(Resolution::display, Framing::framed), 0x901u);
    EXPECT_EQ(WindowServer::captureOptions(Resolution::nominal, Framing::plain), 0xA00u);
    EXPECT_EQ(WindowServer::captureOptions(Resolution::nominal, Framing::framed), 0xA01u);

    auto& app = editor({{.title = "One", .frame = Rect{100, 100, 200, 150}}});
    const uint32_t one = app.windows()[0]->number();
    EXPECT_EQ(WindowServer::captureWindow(one, Resolution::display, Framing::plain)->width(), 400);
    const auto nominal = WindowServer::captureWindow(one, Resolution::nominal, Framing::plain);
    const auto framed = WindowServer::captureWindow(one, Resolution::nominal, Framing::framed);
    ASSERT_TRUE(nominal && framed);
    EXPECT_EQ(nominal->width(), 200);
    EXPECT_GT(framed->width(), nominal->width());  // at least as large: the framing analysis relies on it
    EXPECT_FALSE(WindowServer::captureWindow(424242, Resolution::display, Framing::plain));

    world.faults().on(FaultCall::hardwareCapture).times(1).fail();
    EXPECT_FALSE(WindowServer::captureWindow(one, Resolution::display, Framing::plain));
    world.faults().on(FaultCall::hardwareCapture).times(1).wrongType();
    EXPECT_FALSE(WindowServer::captureWindow(one, Resolution::display, Framing::plain));
    world.faults().on(FaultCall::hardwareCapture).times(1).missing();
    EXPECT_FALSE(WindowServer::captureWindow(one, Resolution::display, Framing::plain));
    EXPECT_TRUE(WindowServer::captureWindow(one, Resolution::display, Framing::plain));
}

TEST_F(WindowServerTest, WithoutOneOfTheCaptureGroupsCallsThereIsNoGroupAtAll) {
    world.privateCalls().remove("CGSHWCaptureWindowList");
    auto& app = editor({{.title = "One"}});
    EXPECT_FALSE(WindowServer::loadCaptureSymbols());
    EXPECT_FALSE(WindowServer::captureWindow(app.windows()[0]->number(), Resolution::display, Framing::plain));
    world.privateCalls().restore("CGSHWCaptureWindowList");
    EXPECT_FALSE(WindowServer::loadCaptureSymbols());  // looked up once per process
    EXPECT_EQ(world.privateCalls().lookupCount("CGSGetWindowBounds"), 1);
}

TEST_F(WindowServerTest, TheGroupsBoundsQueryGivesTheFrameOrNothing) {
    auto& app = editor({{.title = "One", .frame = area}});
    const auto symbols = WindowServer::loadCaptureSymbols();
    ASSERT_TRUE(symbols);
    EXPECT_NE(symbols->connection, 0);
    EXPECT_EQ(symbols->windowBounds(app.windows()[0]->number()), area);
    EXPECT_FALSE(symbols->windowBounds(424242));
    EXPECT_EQ(&WindowServer::captureQueue(), &loop.queue("com.brindlewick.FurlpaneNovan.capture"));
}

TEST_F(WindowServerTest, TheBackdropLeavesOutWhatItIsToldAndEverythingAtOrAboveTheCursorLevel) {
    const int64_t cursor = platform::windowLevelForKey(platform::WindowLevelKey::cursor);
    plist::Array list{entry(1, 700, 0, area), entry(2, 700, cursor, area), entry(3, 700, cursor - 1, area),
                      entry(4, 700, 0, area), entry(5, 700, 0, area), plist::Value(7)};
    list[3].dictionary()->erase(WindowList::kLayer);  // counts as layer 0
    list[4].dictionary()->erase(WindowList::kNumber);
    EXPECT_EQ(WindowServer::backdropWindowIDs(list, {1}), (std::vector<uint32_t>{3, 4}));

    auto& app = editor({{.title = "Over", .frame = Rect{100, 100, 400, 300}}});
    const Rect inside{150, 150, 40, 30};
    const auto behind = WindowServer::captureBackdrop({app.windows()[0]->number()}, inside);
    const auto with = WindowServer::captureBackdrop({}, inside);
    ASSERT_TRUE(behind && with);
    EXPECT_EQ(behind->width(), 80);  // at the best resolution of the display
    EXPECT_FALSE(behind->hasSamePixels(*with));
    world.faults().on(FaultCall::backdropImage).times(1).fail();
    EXPECT_FALSE(WindowServer::captureBackdrop({}, inside));
}

TEST_F(WindowServerTest, WithoutTheBackdropCallThereIsNoBackdrop) {
    world.privateCalls().remove("CGWindowListCreateImageFromArray");
    EXPECT_FALSE(WindowServer::loadImageFromArraySymbol());
    EXPECT_FALSE(WindowServer::captureBackdrop({}, area));
}

}  // namespace
}  // namespace furlpane
