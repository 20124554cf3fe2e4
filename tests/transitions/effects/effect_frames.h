#pragma once

// Renders frames of one modelled effect on the software GPU, so that tests can look at
// their pixels. A window picture of 400 × 300 points (a grey title bar 28 points high
// over a coloured grid) moves between its window and a stand-in in a view of 640 × 480
// points, one pixel per point, one sample.
//
// When the environment variable FURLPANE_EFFECT_FRAMES names a folder, every frame that
// a test renders is also written there as <name>.png, for a person to look at.

#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/gpu.h"
#include "platform/graphics/image.h"
#include "transitions/transition_renderer.h"
#include "transitions/transition_scene.h"

namespace furlpane::testing {

enum class StandIn { thumbnail, titleStrip };
enum class Direction { minimizing, restoring };

class EffectFrames {
public:
    EffectFrames(TransitionEffect effect, StandIn standIn, Direction direction = Direction::minimizing,
                 uint32_t seed = 1);

    bool ready() const { return renderer_ && scene_.picture && target_; }
    TransitionScene& scene() { return scene_; }
    platform::gpu::Device& device() { return *renderer_->device(); }

    // Renders the frame at progress t (as drawn: already turned around when restoring)
    // and returns its pixels; none when the frame could not be drawn.
    std::optional<platform::Image> frame(double t, const std::string& name);

    // Renders the frames at each t and, when FURLPANE_EFFECT_FRAMES is set, writes them
    // as one contact sheet <name>.png: half size, four a row, over grey.
    void sheet(const std::vector<double>& times, const std::string& name);

    // The premultiplied colour (0 ... 1) of a pixel of the last frame.
    platform::simd::float4 pixel(const platform::Image& image, int x, int y) const;

    static constexpr int kViewWidth = 640;
    static constexpr int kViewHeight = 480;

private:
    std::shared_ptr<TransitionRenderer> renderer_;
    TransitionScene scene_;
    std::shared_ptr<platform::gpu::Texture> target_;
};

}  // namespace furlpane::testing
