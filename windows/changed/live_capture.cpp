// Live captures of a window on the capture queue, ticking on the main loop.

#include "windows/changed/live_capture.h"

#include <cmath>

#include "platform/runtime/off_main.h"
#include "windows/access/main_thread.h"

namespace furlpane {

using platform::MainLoop;

std::shared_ptr<LiveCapture> LiveCapture::create(std::uint32_t windowID, Resolution resolution, double interval,
                                                 Deliver deliver, platform::DispatchQueue& queue, Take take) {
    return std::make_shared<LiveCapture>(Key{}, windowID, resolution, interval, std::move(deliver), queue,
                                         std::move(take));
}

LiveCapture::LiveCapture(const Key&, std::uint32_t windowID, Resolution resolution, double interval, Deliver deliver,
                         platform::DispatchQueue& queue, Take take)
    : windowID_(windowID),
      resolution_(resolution),
      interval_(interval > 0 && std::isfinite(interval) ? interval : kInterval),
      deliver_(std::move(deliver)),
      queue_(queue),
      take_(std::move(take)) {}

LiveCapture::~LiveCapture() {
    if (timer_) timer_->invalidate();
}

void LiveCapture::start() {
    requireMainThread("LiveCapture.start");
    if (timer_) return;
    std::weak_ptr<LiveCapture> weak = weak_from_this();
    timer_ = platform::Timer::make(interval_, true, [weak] {
        if (auto self = weak.lock()) self->tick();
    });
    timer_->setTolerance(interval_ / 5);
    MainLoop::main().add(timer_, platform::modes::kCommon);
}

void LiveCapture::stop() {
    requireMainThread("LiveCapture.stop");
    if (timer_) timer_->invalidate();
    timer_.reset();
    ++stops_;
}

void LiveCapture::tick() {
    if (isCapturing_) return;
    isCapturing_ = true;
    const int generation = stops_;
    std::weak_ptr<LiveCapture> weak = weak_from_this();
    queue_.async([weak, take = take_, window = windowID_, resolution = resolution_, generation] {
        Frame frame = take(window, resolution);
        MainLoop::main().post([weak, frame = std::move(frame), generation] {
            if (auto self = weak.lock()) self->captured(frame, generation);
        });
    });
}

void LiveCapture::captured(const Frame& frame, int generation) {
    isCapturing_ = false;
    if (timer_ && stops_ == generation && deliver_) deliver_(frame);
}

LiveCapture::Frame LiveCapture::takeFrame(std::uint32_t window, Resolution resolution) {
    Frame frame;
    frame.image = WindowServer::captureWindow(window, resolution, WindowServer::Framing::plain);
    if (const auto symbols = WindowServer::loadCaptureSymbols()) frame.bounds = symbols->windowBounds(window);
    return frame;
}

platform::Task<std::optional<LiveCapture::Frame>> LiveCapture::captureOnce(std::uint32_t window,
                                                                           Resolution resolution) {
    std::function<Frame()> work = [window, resolution] { return takeFrame(window, resolution); };
    auto frame = co_await platform::offMain<Frame>(WindowServer::captureQueue(), kCaptureLimit, work);
    co_return frame;
}

}  // namespace furlpane
