#include "platform/windowserver/window_capture.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/windowserver/private_window_server.h"

namespace platform {

namespace {

using desktop::FaultCall;
using desktop::FaultEffect;

// A capture that hangs "forever" still ends, an hour later, so the clock stays sound.
constexpr double kLongestHang = 3600;

double hangOf(const desktop::Fault& fault) { return std::min(fault.seconds, kLongestHang); }

// The caller waits for the window server, with the world unlocked meanwhile.
void wait(desktop::Desktop& world, std::unique_lock<std::recursive_mutex>& guard, double seconds) {
    guard.unlock();
    world.loop().blockFor(seconds);
}

struct CaptureOutcome {
    std::any answer;
    double extra = 0;
};

CaptureOutcome capture(desktop::Desktop& world, const uint32_t* windows, int32_t count, uint32_t options) {
    desktop::Pictures& pictures = world.pictures();
    const bool nominal = (options & 0x200) != 0;
    const auto framing = (options & capture_options::framed) ? desktop::PictureFraming::framed
                                                             : desktop::PictureFraming::plain;
    CaptureOutcome out;
    ImageArray images;
    for (int32_t i = 0; windows && i < count; ++i) {
        const desktop::Window* w = world.window(windows[i]);
        if (!w || !w->isOrderedIn()) continue;
        if (auto fault = world.faults().take({FaultCall::hardwareCapture, "", w->pid(), w->number(), 0})) {
            switch (fault->effect) {
            case FaultEffect::error: return {std::any(), out.extra};
            case FaultEffect::wrongType: return {std::any(std::string("not an array of pictures")), out.extra};
            case FaultEffect::missing: continue;
            case FaultEffect::unresponsive: out.extra += hangOf(*fault); break;
            case FaultEffect::answer: return {fault->payload, out.extra};
            }
        }
        const double scale = nominal ? 1 : pictures.displayScale(*w);
        if (auto picture = pictures.windowPicture(*w, scale, framing)) images.push_back(std::move(*picture));
    }
    out.answer = std::move(images);
    return out;
}

}  // namespace

std::any windowServerHardwareCapture(int32_t connection, const uint32_t* windows, int32_t count, uint32_t options) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world || connection != windowServerMainConnection()) return {};
    auto guard = world->lock();
    world->pictures().countCapture();
    const double cost = world->pictures().captureCost();
    CaptureOutcome out = capture(*world, windows, count, options);
    wait(*world, guard, cost + out.extra);
    return std::move(out.answer);
}

std::optional<Image> windowListCreateImageFromArray(const Rect& screenRect, const std::vector<intptr_t>& windows,
                                                    uint32_t imageOptions) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return std::nullopt;
    auto guard = world->lock();
    desktop::Pictures& pictures = world->pictures();
    pictures.countBackdrop();
    double cost = pictures.backdropCost();
    if (auto fault = world->faults().take({FaultCall::backdropImage, "", 0, 0, 0})) {
        if (fault->effect == FaultEffect::unresponsive) {
            cost += hangOf(*fault);
        } else {
            std::optional<Image> given;
            if (fault->effect == FaultEffect::answer) {
                if (const auto* image = std::any_cast<Image>(&fault->payload)) given = *image;
            }
            wait(*world, guard, cost);
            return given;
        }
    }
    std::vector<uint32_t> numbers;
    for (intptr_t n : windows) {
        if (n > 0 && uint64_t(n) <= std::numeric_limits<uint32_t>::max()) numbers.push_back(uint32_t(n));
    }
    const double scale = (imageOptions & window_image_options::nominalResolution) ? 1 : pictures.bestScale(screenRect);
    std::optional<Image> picture = pictures.backdrop(screenRect, numbers, scale);
    wait(*world, guard, cost);
    return picture;
}

}  // namespace platform
