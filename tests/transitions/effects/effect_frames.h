#pragma once

// Renders frames of one modelled effect on the software GPU, so that tests can look at
// their pixels. A window picture of 400 × 300 points (a grey title bar 28 points high
// over a grid of coloured cells) moves between its window and a stand-in in a view of
// 640 × 480 points, one pixel per point, one sample. Every frame is also kept as
// <name>.png when FURLPANE_FRAME_DIR is set (renderer_test_support.h).

#include <memory>
#include <optional>
#include <string>

#include "platform/gpu/gpu.h"
#include "tests/transitions/renderer_test_support.h"
#include "transitions/transition_renderer.h"
#include "transitions/transition_scene.h"

namespace furlpane::testing {

enum class Direction { minimizing, restoring };

class EffectFrames {
public:
    EffectFrames(TransitionEffect effect, StandInKind standIn, Direction direction = Direction::minimizing,
                 uint32_t seed = 1);

    bool ready() const { return renderer_ && scene_.picture && target_; }
    TransitionScene& scene() { return scene_; }
    platform::gpu::Device& device() { return *renderer_->device(); }

    // Renders the frame at progress t (as drawn: already turned around when restoring)
    // and returns its pixels; none when the frame could not be drawn.
    std::optional<Pixels> frame(double t, const std::string& name);

    // The premultiplied colour (0 ... 1) of a pixel.
    static platform::simd::float4 colour(const Pixels& pixels, int x, int y);

    static constexpr int kViewWidth = 640;
    static constexpr int kViewHeight = 480;

private:
    std::shared_ptr<TransitionRenderer> renderer_;
    TransitionScene scene_;
    std::shared_ptr<platform::gpu::Texture> target_;
};

}  // namespace furlpane::testing
