#pragma once

// The frames of one transition: its scene, the two render targets it draws into in turn,
// and the hand-over of a finished frame to the overlay's texture layer. The layer keeps
// showing the last frame handed over, so a frame that fails to draw leaves the one
// before it on screen, and a target is never drawn into while it is shown.
//
// One frame is three steps, each cheap to time on its own: prepare (the uniforms of a
// moment), render (through the shared renderer) and present.
//
// Main thread only.

#include <array>
#include <memory>
#include <optional>
#include <utility>

#include "platform/appkit/texture_layer.h"
#include "platform/gpu/gpu.h"
#include "transitions/driver/transition_makings.h"
#include "transitions/transition_renderer.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionFrames {
public:
    // Nothing when a render target of the scene's size (viewSize × pixelsPerPoint) cannot
    // be made. The targets come from the renderer's pool (frame_targets.h) and go back to
    // it with the frames.
    static std::optional<TransitionFrames> create(std::shared_ptr<TransitionRenderer> renderer, TransitionScene scene,
                                                  TransitionDirection direction);
    // The targets' size in pixels for the uniforms; none when it is empty, not finite or
    // beyond the largest texture.
    static std::optional<std::pair<int, int>> targetSize(const TransitionUniforms& uniforms);

    // The uniforms at a share of the transition's time (0...1), `now` on the loop's clock.
    void prepare(double timeShare, double now);
    // Draws the prepared frame into the target not on screen; false when it could not be
    // drawn (nothing changes on screen then).
    bool render();
    // Hands the frame drawn last to the layer; false when there is none to hand over.
    bool present(platform::TextureLayer& layer);

    // A newer picture of the window, faded in from `now`.
    void setFreshPicture(const TransitionPicture& picture, double now);

    const TransitionScene& scene() const { return scene_; }
    int renderedCount() const { return rendered_; }
    int failedCount() const { return failed_; }

private:
    TransitionFrames(std::shared_ptr<TransitionRenderer> renderer, TransitionScene scene, TransitionDirection direction)
        : renderer_(std::move(renderer)), scene_(std::move(scene)), direction_(direction) {}

    std::shared_ptr<TransitionRenderer> renderer_;
    TransitionScene scene_;
    TransitionDirection direction_;
    std::array<std::shared_ptr<platform::gpu::Texture>, 2> targets_;
    int next_ = 0;                // the target the next frame goes into
    std::optional<int> drawn_;    // the target drawn last and not yet handed over
    std::optional<double> freshSince_;
    int rendered_ = 0;
    int failed_ = 0;
};

}  // namespace furlpane
