#pragma once

// A demonstration transition for people and benchmarks: an 800 × 600 window with a title
// bar, sidebar and lines of text, in a 1280 × 800 view over a patterned desktop, going to
// a 200 × 150 thumbnail at the bottom left or to its 28-point title strip. In a larger
// view the window and the thumbnail grow with it.

#include <optional>

#include "platform/graphics/image.h"
#include "transitions/transition_renderer.h"
#include "transitions/transition_scene.h"

namespace furlpane::demo {

inline constexpr int kViewWidth = 1280;
inline constexpr int kViewHeight = 800;

struct DemoOptions {
    TransitionEffect effect = TransitionEffect::scale;
    float progress = 0;
    StandInKind standIn = StandInKind::thumbnail;
    float pixelsPerPoint = 1;
    int viewWidth = kViewWidth;  // points
    int viewHeight = kViewHeight;
};

platform::Image windowPicture(int width, int height);
platform::Image desktopPicture(int width, int height);

// The window's and the desktop's pictures of a demonstration, drawn on the processor: what
// a program would have captured before its transition, not part of the transition's cost.
struct DemoPictures {
    platform::Image window;
    platform::Image desktop;
};
DemoPictures demoPictures(const DemoOptions& options);

// The scene with its pictures uploaded; none when the renderer cannot make them.
std::optional<TransitionScene> demoScene(const TransitionRenderer& renderer, const DemoOptions& options,
                                         const DemoPictures& pictures);
// The same with the pictures drawn first.
std::optional<TransitionScene> demoScene(const TransitionRenderer& renderer, const DemoOptions& options);

}  // namespace furlpane::demo
