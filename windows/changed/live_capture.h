#pragma once

// A window's picture and bounds taken off the main thread and handed back on it: about
// fifteen times a second for a live copy (LiveCapture), or once within a bound
// (LiveCapture::captureOnce).
//
// A running LiveCapture ticks on a repeating main-loop timer (common modes, so it keeps
// firing while the pointer drags). Each tick sends one capture to the queue unless one
// is still in flight: a slow window server lowers the rate instead of piling captures
// up. A capture comes back to the main thread and is delivered only when the capture is
// still running and has not been stopped since the capture began (its generation);
// otherwise it is dropped, and only clears the in-flight mark. A capture that never
// comes back leaves that mark set, and every later tick is skipped.
//
// One-shot captures and other blocking picture work are awaited through platform::offMain
// (platform/runtime/off_main.h) on the capture queue, which already has the shape this
// needs: the result, or nothing once the bound has passed, resuming the caller exactly
// once, the late result dropped.
//
// Lifetime: made through create and held by its owner (a changed window); the timer's
// action and the capture's way back hold it weakly, so releasing it stops the timer and
// no delivery follows. Main thread only, except takeFrame and the `take` work, which run
// on the queue.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/geometry/geometry.h"
#include "platform/graphics/image.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/dispatch_queue.h"
#include "platform/runtime/task.h"
#include "windows/access/window_server.h"

namespace furlpane {

class LiveCapture : public std::enable_shared_from_this<LiveCapture> {
public:
    using Resolution = WindowServer::CaptureResolution;

    // One capture: the window's plain picture and its bounds (top-left), each missing when
    // the window server gave none.
    struct Frame {
        std::optional<platform::Image> image;
        std::optional<platform::Rect> bounds;
    };
    using Deliver = std::function<void(const Frame&)>;
    // One blocking capture; runs on the queue.
    using Take = std::function<Frame(std::uint32_t window, Resolution resolution)>;

    // The period of a live copy's captures. The timer's tolerance is a fifth of the
    // period (1/75 s).
    static constexpr double kInterval = 1.0 / 15;
    // How long a one-shot capture is waited for.
    static constexpr double kCaptureLimit = WindowServer::kCaptureLimit;

    // A stopped capture of the window. An interval that is not a positive number is
    // taken as kInterval.
    static std::shared_ptr<LiveCapture> create(std::uint32_t windowID, Resolution resolution, double interval,
                                               Deliver deliver, platform::DispatchQueue& queue, Take take);
    ~LiveCapture();
    LiveCapture(const LiveCapture&) = delete;
    LiveCapture& operator=(const LiveCapture&) = delete;

    // Starts the timer unless it runs.
    void start();
    // Stops the timer; a capture in flight is then dropped when it comes back. Counts every
    // call, running or not.
    void stop();

    std::uint32_t windowID() const { return windowID_; }
    Resolution resolution() const { return resolution_; }
    double interval() const { return interval_; }
    bool isRunning() const { return timer_ != nullptr; }
    // A capture started by the timer has not come back to the main thread yet.
    bool isCapturing() const { return isCapturing_; }
    int stops() const { return stops_; }

    // One blocking capture of the window: its plain picture and its window-server bounds.
    // Any thread.
    static Frame takeFrame(std::uint32_t window, Resolution resolution);
    // takeFrame on the capture queue, waited for at most kCaptureLimit; nothing when the
    // limit passed first. The caller resumes on the main thread.
    static platform::Task<std::optional<Frame>> captureOnce(std::uint32_t window, Resolution resolution);

private:
    struct Key {};

public:
    LiveCapture(const Key&, std::uint32_t windowID, Resolution resolution, double interval, Deliver deliver,
                platform::DispatchQueue& queue, Take take);

private:
    void tick();
    void captured(const Frame& frame, int generation);

    std::uint32_t windowID_;
    Resolution resolution_;
    double interval_;
    Deliver deliver_;
    platform::DispatchQueue& queue_;
    Take take_;
    std::shared_ptr<platform::Timer> timer_;
    bool isCapturing_ = false;
    int stops_ = 0;
};

}  // namespace furlpane
