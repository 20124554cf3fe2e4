#include "transitions/driver/transition_frames.h"

#include <cmath>

#include "transitions/driver/transition_choices.h"

namespace furlpane {

using namespace platform::gpu;

namespace {

int pixels(float points, float scale) { return static_cast<int>(std::lround(double(points) * double(scale))); }

}  // namespace

std::optional<TransitionFrames> TransitionFrames::create(std::shared_ptr<TransitionRenderer> renderer,
                                                         TransitionScene scene, TransitionDirection direction) {
    if (!renderer) return std::nullopt;
    const TransitionUniforms& u = scene.uniforms;
    const int width = pixels(u.viewSize.x, u.pixelsPerPoint), height = pixels(u.viewSize.y, u.pixelsPerPoint);
    if (width < 1 || height < 1 || width > kMaxTextureSide || height > kMaxTextureSide) return std::nullopt;
    TransitionFrames frames(std::move(renderer), std::move(scene), direction);
    for (auto& target : frames.targets_) {
        target = frames.renderer_->device()->makeTexture(TextureDescriptor::texture2D(
            PixelFormat::bgra8Unorm, width, height, Mipmapped::no, TextureUsage::shaderReadAndRenderTarget));
        if (!target) return std::nullopt;
    }
    return frames;
}

void TransitionFrames::prepare(double timeShare, double now) {
    TransitionUniforms& u = scene_.uniforms;
    u.progress = transition_choices::drawnProgress(direction_, timeShare);
    std::optional<double> sinceFresh;
    if (freshSince_) sinceFresh = now - *freshSince_;
    u.freshness = transition_choices::freshness(direction_, u.progress, sinceFresh, scene_.slowdown);
}

bool TransitionFrames::render() {
    const int index = next_;
    if (!renderer_->render(scene_, targets_[static_cast<size_t>(index)])) {
        ++failed_;
        return false;
    }
    ++rendered_;
    drawn_ = index;
    next_ = 1 - index;
    return true;
}

bool TransitionFrames::present(platform::TextureLayer& layer) {
    if (!drawn_) return false;
    const bool shown = layer.present(targets_[static_cast<size_t>(*drawn_)]);
    drawn_.reset();
    return shown;
}

void TransitionFrames::setFreshPicture(const TransitionPicture& picture, double now) {
    if (!picture.texture) return;
    scene_.fresh = picture.texture;
    scene_.freshFraming = picture.framing;
    freshSince_ = now;
}

}  // namespace furlpane
