#include "platform/desktop/window_pictures.h"

#include <gtest/gtest.h>

#include <any>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/off_main.h"
#include "platform/windowserver/private_window_server.h"
#include "platform/windowserver/symbols.h"
#include "platform/windowserver/window_capture.h"

namespace platform {
namespace {

using desktop::Application;
using desktop::Desktop;
using desktop::FaultCall;
using desktop::PictureFraming;
using desktop::Window;

struct PictureWorld {
    MainLoop loop{ClockKind::simulated};
    Desktop world{loop};
    Application& editor =
        world.application("com.example.Editor").window({.title = "Notes", .frame = Rect{100, 100, 200, 150}}).add();
    Window& notes = *editor.windows()[0];

    std::optional<Image> picture(const Window& w, double scale = 1, PictureFraming f = PictureFraming::plain) {
        return world.pictures().windowPicture(w, scale, f);
    }
};

bool isInk(Pixel p) { return p.a == 255 && p.r < 100 && p.g < 100 && p.b < 100; }

int inkInRows(const Image& image, int from, int to) {
    int ink = 0;
    for (int y = from; y < to; ++y) {
        for (int x = 0; x < image.width(); ++x) ink += isInk(image.pixel(x, y));
    }
    return ink;
}

// The plain picture lies in the framed one at the margin's offset: the middle agrees.
bool middleAgrees(const Image& plain, const Image& framed, int left, int top) {
    for (int y = plain.height() / 4; y < plain.height() * 3 / 4; ++y) {
        for (int x = plain.width() / 4; x < plain.width() * 3 / 4; ++x) {
            if (plain.pixel(x, y).word() != framed.pixel(left + x, top + y).word()) return false;
        }
    }
    return true;
}

TEST(WindowPictures, AWindowShowsItsTitleBarAndTextLikeMarksTheSameInEveryWorld) {
    std::optional<Image> first;
    {
        PictureWorld w;
        first = w.picture(w.notes);
    }
    PictureWorld w;
    const std::optional<Image> image = w.picture(w.notes);
    ASSERT_TRUE(image && first);
    EXPECT_TRUE(image->hasSamePixels(*first));
    EXPECT_EQ(image->width(), 200);
    EXPECT_EQ(image->height(), 150);
    EXPECT_EQ(image->colorSpace(), ColorSpace::displayRGB());
    EXPECT_EQ(image->pixel(0, 0).a, 0);  // a rounded corner
    const Pixel band = image->pixel(100, 3);
    EXPECT_EQ(band.a, 255);
    EXPECT_GT(band.r, 200);
    EXPECT_GT(inkInRows(*image, 28, 150), 500);

    // Another seed gives other marks; another title another band; the same seed the same body.
    w.notes.setContentSeed(42);
    const std::optional<Image> seeded = w.picture(w.notes);
    EXPECT_FALSE(seeded->hasSamePixels(*image));
    EXPECT_EQ(w.world.pictures().picturesDrawn(), 2);
    EXPECT_TRUE(w.picture(w.notes)->hasSamePixels(*seeded));
    EXPECT_EQ(w.world.pictures().picturesDrawn(), 2);  // from the cache
}

TEST(WindowPictures, TheFramedPictureHoldsThePlainOneInsideItsShadowMargin) {
    PictureWorld w;
    const auto plain = w.picture(w.notes, 2);
    const auto framed = w.picture(w.notes, 2, PictureFraming::framed);
    ASSERT_TRUE(plain && framed);
    EXPECT_EQ(plain->width(), 400);
    const auto m = desktop::Pictures::framedMargins(2);
    EXPECT_EQ((std::pair{m.left, m.top}), (std::pair{48, 32}));
    EXPECT_EQ(framed->width(), plain->width() + m.left + m.right);
    EXPECT_EQ(framed->height(), plain->height() + m.top + m.bottom);
    EXPECT_TRUE(middleAgrees(*plain, *framed, m.left, m.top));
    // The frame's outline darkens the outermost pixels; the shadow fills the corners.
    const Pixel edge = framed->pixel(m.left, m.top + 150);
    EXPECT_LT(edge.r, plain->pixel(0, 150).r);
    EXPECT_GT(framed->pixel(m.left, m.top + plain->height() - 1).a, 0);
    EXPECT_GT(framed->pixel(m.left + 200, m.top + plain->height() + 8).a, 0);  // shadow below
    EXPECT_EQ(framed->pixel(0, 0).a, 0);
}

TEST(WindowPictures, WithoutScreenRecordingOtherApplicationsShowOnlyTheirFrame) {
    PictureWorld w;
    Window& own = *w.world.ownApplication().openWindow({.title = "Settings", .frame = Rect{500, 100, 200, 150}});
    w.world.permissions().setScreenRecording(desktop::Permission::denied);
    const auto hidden = w.picture(w.notes);
    EXPECT_EQ(inkInRows(*hidden, 28, 150), 0);
    EXPECT_GT(inkInRows(*w.picture(own), 28, 150), 500);
    const auto dock = w.picture(*w.world.dock().window());
    w.world.permissions().setScreenRecording(desktop::Permission::granted);
    EXPECT_GT(inkInRows(*w.picture(w.notes), 28, 150), 500);
    EXPECT_TRUE(w.picture(*w.world.dock().window())->hasSamePixels(*dock));  // the system's windows show
}

TEST(WindowPictures, AContentProviderDrawsAWindowAndEmptyOrHugeWindowsHaveNoPicture) {
    PictureWorld w;
    Window& own = *w.world.ownApplication().openWindow({.title = "Panel", .frame = Rect{10, 40, 30, 20}});
    int calls = 0;
    w.world.pictures().setContentProvider(own.number(), [&calls](const Window& window, double scale) {
        ++calls;
        return Image::filled(int(window.frame().width() * scale), int(window.frame().height() * scale),
                             Color::rgb(0, 0, 1), ColorSpace::displayRGB());
    });
    const auto framed = w.picture(own, 2, PictureFraming::framed);
    ASSERT_TRUE(framed);
    EXPECT_EQ(framed->width(), 60 + 96);
    EXPECT_EQ(framed->pixel(48 + 30, 32 + 20).b, 255);
    EXPECT_EQ(calls, 1);

    w.notes.resize({0, 100});
    EXPECT_FALSE(w.picture(w.notes));
    w.notes.resize({9000, 100});
    EXPECT_FALSE(w.picture(w.notes, 2));
    EXPECT_TRUE(w.picture(w.notes, 1));
    EXPECT_FALSE(w.picture(own, std::numeric_limits<double>::quiet_NaN()));
}

// ---- The hardware capture --------------------------------------------------------------

const ImageArray* images(const std::any& answer) { return std::any_cast<ImageArray>(&answer); }

TEST(HardwareCapture, OptionWordsChooseTheResolutionAndTheFrame) {
    PictureWorld w;
    auto capture = lookupSymbol<HardwareCaptureCall>("CGSHWCaptureWindowList");
    ASSERT_NE(capture, nullptr);
    const int32_t cid = windowServerMainConnection();
    const uint32_t numbers[] = {w.notes.number(), 9999};
    const std::any display = capture(cid, numbers, 2, capture_options::displayResolution);
    ASSERT_TRUE(images(display));
    ASSERT_EQ(images(display)->size(), 1u);  // the unknown window is left out
    EXPECT_EQ(images(display)->front().width(), 400);
    EXPECT_EQ(images(capture(cid, numbers, 1, capture_options::nominalResolution))->front().width(), 200);
    const std::any framed = capture(cid, numbers, 1, capture_options::nominalResolution | capture_options::framed);
    EXPECT_EQ(images(framed)->front().width(), 200 + 48);
    EXPECT_FALSE(capture(cid + 1, numbers, 1, capture_options::displayResolution).has_value());
    EXPECT_TRUE(images(capture(cid, nullptr, 0, capture_options::displayResolution))->empty());

    // Minimized and hidden windows keep their pictures; ordered-out ones have none.
    w.world.dockTrips().setDuration(0);
    w.notes.minimize();
    EXPECT_EQ(images(capture(cid, numbers, 1, capture_options::nominalResolution))->size(), 1u);
    w.notes.deminimize();
    w.notes.orderOut();
    EXPECT_TRUE(images(capture(cid, numbers, 1, capture_options::nominalResolution))->empty());
    EXPECT_EQ(w.world.pictures().captures(), 6);
}

TEST(HardwareCapture, FaultsFailTheCaptureChangeItsAnswerOrDropAWindow) {
    PictureWorld w;
    Window& other = *w.editor.openWindow({.title = "Other", .frame = Rect{300, 300, 100, 80}});
    const uint32_t numbers[] = {w.notes.number(), other.number()};
    const int32_t cid = windowServerMainConnection();
    auto& faults = w.world.faults();
    faults.on(FaultCall::hardwareCapture).forWindow(other.number()).times(1).missing();
    EXPECT_EQ(images(windowServerHardwareCapture(cid, numbers, 2, 0xA00))->size(), 1u);
    faults.on(FaultCall::hardwareCapture).times(1).fail();
    EXPECT_FALSE(windowServerHardwareCapture(cid, numbers, 2, 0xA00).has_value());
    faults.on(FaultCall::hardwareCapture).times(1).wrongType();
    const std::any wrong = windowServerHardwareCapture(cid, numbers, 2, 0xA00);
    EXPECT_TRUE(wrong.has_value());
    EXPECT_EQ(images(wrong), nullptr);
    EXPECT_EQ(images(windowServerHardwareCapture(cid, numbers, 2, 0xA00))->size(), 2u);
}

// What the program does: capture on the capture queue, for at most a second.
Task<std::optional<std::any>> captureOffMain(uint32_t window) {
    auto work = [window] {
        auto capture = lookupSymbol<HardwareCaptureCall>("CGSHWCaptureWindowList");
        return capture ? capture(windowServerMainConnection(), &window, 1, capture_options::displayResolution)
                       : std::any();
    };
    DispatchQueue& queue = MainLoop::main().queue("com.brindlewick.FurlpaneNovan.capture");
    auto result = co_await offMain<std::any>(queue, 1.0, work);
    co_return result;
}

TEST(HardwareCapture, ACaptureOnTheCaptureQueueTakesItsTimeAndTimesOutWhenSlow) {
    PictureWorld w;
    auto quick = runToCompletion(w.loop, captureOffMain(w.notes.number()));
    ASSERT_TRUE(quick && *quick);
    EXPECT_EQ(images(**quick)->size(), 1u);
    EXPECT_DOUBLE_EQ(w.loop.now(), desktop::Pictures::kDefaultCaptureCost);

    w.world.pictures().setCaptureCost(1.5);  // a window server that takes its time
    const double start = w.loop.now();
    auto slow = runToCompletion(w.loop, captureOffMain(w.notes.number()));
    ASSERT_TRUE(slow);
    EXPECT_FALSE(slow->has_value());
    EXPECT_DOUBLE_EQ(w.loop.now() - start, 1.0);

    // A hanging capture holds the queue: the next one waits behind it and times out too.
    w.world.pictures().setCaptureCost(0);
    w.world.faults().on(FaultCall::hardwareCapture).times(1).hang(5);
    auto hung = runToCompletion(w.loop, captureOffMain(w.notes.number()));
    EXPECT_FALSE(hung->has_value());
    auto behind = runToCompletion(w.loop, captureOffMain(w.notes.number()));
    EXPECT_FALSE(behind->has_value());
    w.loop.advance(10);
    auto later = runToCompletion(w.loop, captureOffMain(w.notes.number()));
    EXPECT_TRUE(later->has_value());
}

// ---- Backdrops ---------------------------------------------------------------------------

TEST(Backdrop, ShowsWhatLiesBehindTheWindowsLeftOut) {
    PictureWorld w;
    auto backdrop = lookupSymbol<ImageFromArrayCall>("CGWindowListCreateImageFromArray");
    ASSERT_NE(backdrop, nullptr);
    const uint32_t picture = w.world.dock().desktopPictureWindows().front();
    const Rect area{150, 150, 40, 30};  // inside the editor's window
    const auto withWindow = backdrop(area, {intptr_t(w.notes.number()), intptr_t(picture)},
                                     window_image_options::nominalResolution);
    const auto without = backdrop(area, {intptr_t(picture)}, window_image_options::nominalResolution);
    ASSERT_TRUE(withWindow && without);
    EXPECT_EQ(withWindow->width(), 40);
    const auto mine = w.picture(w.notes)->cropped({50, 50, 40, 30});
    EXPECT_TRUE(withWindow->hasSamePixels(*mine));
    EXPECT_FALSE(without->hasSamePixels(*mine));
    EXPECT_EQ(without->pixel(0, 0).a, 255);  // the desktop picture
    EXPECT_EQ(backdrop(area, {intptr_t(picture)}, window_image_options::bestResolution)->width(), 80);
    EXPECT_EQ(backdrop(area, {}, 0)->pixel(0, 0).a, 0);  // nothing: transparent
    EXPECT_FALSE(backdrop(Rect::null(), {intptr_t(picture)}, 0));

    w.world.faults().on(FaultCall::backdropImage).times(1).fail();
    EXPECT_FALSE(backdrop(area, {intptr_t(picture)}, 0));
    EXPECT_DOUBLE_EQ(w.loop.now(), 6 * desktop::Pictures::kDefaultBackdropCost);
    w.world.privateCalls().remove("CGWindowListCreateImageFromArray");
    EXPECT_EQ(lookupSymbol<ImageFromArrayCall>("CGWindowListCreateImageFromArray"), nullptr);
}

}  // namespace
}  // namespace platform
