#pragma once

// Renders frames of a transition through the real renderer, for the drawing tests of
// the modelled effects: a 640 × 400 point view, a 360 × 260 window with a 28-point title
// bar and a drawn picture (title bar, coloured blocks, lines of text), its stand-in as a
// title strip or as a thumbnail in the lower right.
//
// Set FURLPANE_FRAME_DIR to a folder to keep every rendered frame there as a PNG
// (composited over a desktop grey), to look at.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/image.h"
#include "transitions/effect_catalogue.h"
#include "transitions/transition_renderer.h"
#include "transitions/transition_scene.h"

namespace furlpane::testing {

class EffectFrames {
public:
    // None when the renderer or the picture cannot be made.
    static std::unique_ptr<EffectFrames> create(int sampleCount = 1, int threads = 2);

    static constexpr float kTitleBar = 28;
    static constexpr platform::simd::float4 kWindow{60, 50, 360, 260};
    static constexpr platform::simd::float4 kThumbnail{500, 300, 96, 64};

    TransitionScene scene(TransitionEffect effect, StandInKind standIn, uint32_t seed = 1) const;
    // The frame at the progress, read back as an image of the view; none when the
    // renderer reported that nothing could be drawn.
    std::optional<platform::Image> render(TransitionScene& scene, float progress);
    // The pixels the frame last rendered of the scene draws into the silhouette (the pass
    // whose coverage becomes the shadows and rims), drawn at the view's size; -1 when it
    // could not be drawn.
    int silhouetteCoverage(const TransitionScene& scene);
    // Keeps the frame as <name>.png when FURLPANE_FRAME_DIR is set.
    void keep(const platform::Image& frame, const std::string& name) const;
    // Keeps the frames side by side at half size, four to a row, as <name>.png.
    void keepSheet(const std::vector<platform::Image>& frames, const std::string& name) const;

    TransitionRenderer& renderer() { return *renderer_; }
    platform::gpu::Device& device() { return *device_; }

private:
    std::shared_ptr<platform::gpu::Device> device_;
    std::shared_ptr<TransitionRenderer> renderer_;
    std::shared_ptr<platform::gpu::Texture> picture_;
    std::shared_ptr<platform::gpu::Texture> target_;
};

// Coverage and colour summaries of a rendered frame, in view points.
struct Coverage {
    int covered = 0;      // pixels with alpha above 16
    double meanRed = 0;   // over covered pixels, 0 ... 255 (premultiplied)
    double meanGreen = 0;
    double meanBlue = 0;
};
Coverage coverageIn(const platform::Image& frame, int x0, int y0, int x1, int y1);

}  // namespace furlpane::testing
