// Live captures on the virtual clock: the rate, slow captures, stops while a capture is
// in flight, release, and one-shot captures within their bound.

#include "windows/changed/live_capture.h"

#include "changed_test_support.h"

namespace changed_test {
namespace {

using Resolution = LiveCapture::Resolution;

class LiveCaptureTest : public ChangedTest {
protected:
    uint32_t draft = draftWindow().number();
    platform::DispatchQueue& queue = loop.queue("tests.capture");
    int takes = 0;
    std::vector<LiveCapture::Frame> delivered;

    std::shared_ptr<LiveCapture> makeCapture(double captureCost = 0) {
        queue.setJobCost(captureCost);
        return LiveCapture::create(
            draft, Resolution::display, LiveCapture::kInterval,
            [this](const LiveCapture::Frame& frame) { delivered.push_back(frame); }, queue,
            [this](uint32_t, Resolution) {
                ++takes;
                return LiveCapture::Frame{std::nullopt, Rect(0, 0, takes, takes)};
            });
    }
};

TEST_F(LiveCaptureTest, CapturesFifteenTimesASecondWhileRunning) {
    const auto capture = makeCapture();
    loop.advance(0.5);
    EXPECT_EQ(takes, 0);
    capture->start();
    capture->start();  // already running: one timer
    loop.advance(1.01);
    EXPECT_EQ(takes, 15);
    ASSERT_EQ(delivered.size(), 15u);
    EXPECT_EQ(delivered.back().bounds, Rect(0, 0, 15, 15));
    capture->stop();
    loop.advance(1);
    EXPECT_EQ(takes, 15);
    EXPECT_EQ(capture->stops(), 1);
    capture->stop();  // stopped already: only counted
    EXPECT_EQ(capture->stops(), 2);
}

TEST_F(LiveCaptureTest, ASlowCaptureSkipsTicksInsteadOfQueueingThem) {
    const auto capture = makeCapture(0.25);
    capture->start();
    // Captures start at 1/15, 5/15, 9/15 and 13/15 s, each taking a quarter second: the
    // ticks between find one in flight. Three are back within the second.
    loop.advance(1.0);
    EXPECT_EQ(takes, 3);
    EXPECT_EQ(delivered.size(), 3u);
    EXPECT_TRUE(capture->isCapturing());
    EXPECT_LE(queue.pendingJobs(), 1u);
}

TEST_F(LiveCaptureTest, AStopDuringACaptureDeliversNothing) {
    const auto capture = makeCapture(0.2);
    capture->start();
    loop.advance(0.1);
    EXPECT_TRUE(capture->isCapturing());
    capture->stop();
    loop.advance(0.5);
    EXPECT_EQ(takes, 1);
    EXPECT_TRUE(delivered.empty());
    EXPECT_FALSE(capture->isCapturing());
    EXPECT_FALSE(capture->isRunning());
}

TEST_F(LiveCaptureTest, StopThenStartDropsTheOldFrameAndCapturesAgain) {
    const auto capture = makeCapture(0.2);
    capture->start();
    loop.advance(0.1);  // the first capture runs until 0.267
    capture->stop();
    capture->start();
    loop.advance(0.2);  // the new timer's ticks at 0.167 and 0.233 find a capture in flight
    EXPECT_EQ(takes, 1);
    EXPECT_TRUE(delivered.empty());
    loop.advance(0.25);  // 0.3: a new capture, back at 0.5
    EXPECT_EQ(takes, 2);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].bounds, Rect(0, 0, 2, 2));
}

TEST_F(LiveCaptureTest, ReleasingARunningCaptureStopsItsTimer) {
    auto capture = makeCapture(0.2);
    capture->start();
    loop.advance(0.1);
    capture.reset();
    loop.advance(1.0);
    EXPECT_EQ(takes, 1);
    EXPECT_TRUE(delivered.empty());
}

TEST_F(LiveCaptureTest, TakeFrameGivesThePictureAndTheWindowServersBounds) {
    const auto frame = LiveCapture::takeFrame(draft, Resolution::display);
    ASSERT_TRUE(frame.image);
    EXPECT_EQ(frame.image->width(), 800);
    EXPECT_EQ(frame.bounds, Rect(300, 200, 400, 300));
    EXPECT_EQ(LiveCapture::takeFrame(draft, Resolution::nominal).image->width(), 400);
    // A window that is gone gives a frame without picture or bounds; it is delivered all
    // the same.
    const auto none = LiveCapture::takeFrame(9999, Resolution::display);
    EXPECT_FALSE(none.image);
    EXPECT_FALSE(none.bounds);
    const auto capture = LiveCapture::create(
        9999, Resolution::display, 0, [this](const LiveCapture::Frame& f) { delivered.push_back(f); },
        WindowServer::captureQueue(), LiveCapture::takeFrame);
    EXPECT_EQ(capture->interval(), LiveCapture::kInterval);
    capture->start();
    loop.advance(0.1);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_FALSE(delivered[0].image);
}

TEST_F(LiveCaptureTest, WithoutThePrivateCallsThereIsNothingToTake) {
    world.privateCalls().remove("CGSGetWindowBounds");
    const auto frame = LiveCapture::takeFrame(draft, Resolution::display);
    EXPECT_FALSE(frame.bounds);
    EXPECT_FALSE(frame.image);
}

TEST_F(LiveCaptureTest, CaptureOnceWaitsAtMostOneSecond) {
    const auto quick = platform::runToCompletion(loop, LiveCapture::captureOnce(draft, Resolution::display));
    ASSERT_TRUE(quick && *quick);
    EXPECT_TRUE((*quick)->image);
    EXPECT_EQ((*quick)->bounds, Rect(300, 200, 400, 300));
    // A window server slower than the bound: nothing, once, at the bound.
    world.pictures().setCaptureCost(1.5);
    const double start = loop.now();
    const auto late = platform::runToCompletion(loop, LiveCapture::captureOnce(draft, Resolution::display));
    ASSERT_TRUE(late);
    EXPECT_FALSE(*late);
    EXPECT_NEAR(loop.now() - start, 1.0, 1e-9);
    loop.advance(1.0);  // the late picture comes back to nobody
}

}  // namespace
}  // namespace changed_test
