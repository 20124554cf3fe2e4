#include "platform/appkit/display_link.h"

namespace platform {

std::shared_ptr<DisplayLink> DisplayLink::make(const Screen& screen, Handler handler) {
    const double rate = screen.maximumFramesPerSecond();
    if (!(rate > 0) || !Screen::withDisplayNumber(screen.displayNumber())) return nullptr;
    return std::make_shared<DisplayLink>(screen.displayNumber(), rate, std::move(handler));
}

DisplayLink::DisplayLink(uint32_t display, double framesPerSecond, Handler handler)
    : display_(display), framesPerSecond_(framesPerSecond), handler_(std::move(handler)) {}

DisplayLink::~DisplayLink() {
    if (timer_) timer_->invalidate();
}

void DisplayLink::add(MainLoop& loop, const RunLoopMode& mode) {
    if (!isValid()) return;
    if (!timer_) {
        // The timer holds the link weakly: the link's owner decides how long it lives.
        std::weak_ptr<DisplayLink> weak = weak_from_this();
        timer_ = Timer::make(1.0 / framesPerSecond_, true, [weak] {
            if (auto link = weak.lock()) link->fire();
        });
    }
    loop.add(timer_, mode);
}

void DisplayLink::invalidate() {
    handler_ = nullptr;
    if (timer_) timer_->invalidate();
}

void DisplayLink::fire() {
    if (paused_ || !isValid() || !Screen::withDisplayNumber(display_)) return;
    const double now = MainLoop::main().now();
    ++frames_;
    // A copy: the handler may invalidate the link, and with it the function it runs in.
    const Handler handler = handler_;
    handler({now, now + 1.0 / framesPerSecond_});
}

}  // namespace platform
