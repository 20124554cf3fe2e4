#pragma once

// Pictures of windows from the window server: the private hardware capture of windows
// ("CGSHWCaptureWindowList") and the picture of what a list of windows shows in an area
// ("CGWindowListCreateImageFromArray"). Programs find both by name (lookupSymbol); a
// system may lack either. The pictures are those of desktop::Pictures: 32-bit BGRA,
// premultiplied, in the display's colour space.
//
// Cost. Each call blocks its caller for the world's capture cost
// (Pictures::captureCost, backdropCost) through MainLoop::blockFor: inside a job of a
// simulated serial queue (the capture queue) that lengthens the job; on the main thread
// the simulated clock jumps. A test makes captures slow with those costs, with the
// queue's job cost, or with a hanging fault.
//
// Screen Recording. Without it the windows of other applications show only their frame
// (see window_pictures.h); nothing else changes.
//
// Fault injection:
// - FaultCall::hardwareCapture, narrowed by application or window: fail() gives a null
//   answer, wrongType() an answer that is not an array of pictures (a string),
//   missing() leaves that window out, hang(s) adds s seconds (at most an hour),
//   answer(payload) gives the payload as the answer.
// - FaultCall::backdropImage: fail(), missing() and wrongType() give no picture,
//   hang(s) adds s seconds, answer(Image) gives that picture.

#include <any>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/graphics/image.h"

namespace platform {

// The option words of the hardware capture.
namespace capture_options {
// The picture at the backing resolution of the window's display.
inline constexpr uint32_t displayResolution = 0x900;
// The picture at the window's size in points.
inline constexpr uint32_t nominalResolution = 0xA00;
// Added to either: the window with its frame and the margin of its shadow.
inline constexpr uint32_t framed = 0x1;
}  // namespace capture_options

// The normal answer of the hardware capture: one picture per window captured, in the
// order asked.
using ImageArray = std::vector<Image>;

// Captures windows by number. Answers an ImageArray, possibly empty (unknown, closed
// and ordered-out windows are left out; minimized and hidden windows keep their
// pictures), or nothing (an empty std::any) for a wrong connection, no world, or a
// failure. A word with nominalResolution's 0x200 bit set captures at nominal
// resolution, any other at display resolution; the 0x1 bit frames the picture.
std::any windowServerHardwareCapture(int32_t connection, const uint32_t* windows, int32_t count, uint32_t options);
using HardwareCaptureCall = std::any (*)(int32_t connection, const uint32_t* windows, int32_t count, uint32_t options);

namespace window_image_options {
inline constexpr uint32_t boundsIgnoreFraming = 1;
inline constexpr uint32_t shouldBeOpaque = 2;
inline constexpr uint32_t onlyShadows = 4;
inline constexpr uint32_t bestResolution = 8;
inline constexpr uint32_t nominalResolution = 16;
}  // namespace window_image_options

// What the windows (numbers as pointer-sized integers, front to back) show inside a
// rectangle of global top-left points: at nominal resolution with the option 16, else
// at the best resolution of the displays it touches. Windows that are not on screen show
// nothing; numbers that are no window are ignored. Nothing for an empty rectangle, no
// world, or a failure.
std::optional<Image> windowListCreateImageFromArray(const Rect& screenRect, const std::vector<intptr_t>& windows,
                                                    uint32_t imageOptions);
using ImageFromArrayCall = std::optional<Image> (*)(const Rect& screenRect, const std::vector<intptr_t>& windows,
                                                    uint32_t imageOptions);

}  // namespace platform
