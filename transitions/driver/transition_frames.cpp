#include "transitions/driver/transition_frames.h"

#include <cmath>

#include "transitions/driver/transition_choices.h"

namespace furlpane {

using namespace platform::gpu;

namespace {

// Rounded to the nearest pixel; 0 for what is not a finite number of a texture's pixels.
int pixels(float points, float scale) {
    const double p = double(points) * double(scale);
    return std::isfinite(p) && p >= 0.5 && p < kMaxTextureSide + 0.5 ? static_cast<int>(std::lround(p)) : 0;
}

}  // namespace

std::optional<std::pair<int, int>> TransitionFrames::targetSize(const TransitionUniforms& u) {
    const int width = pixels(u.viewSize.x, u.pixelsPerPoint), height = pixels(u.viewSize.y, u.pixelsPerPoint);
    if (width < 1 || height < 1) return std::nullopt;
    return std::pair{width, height};
}

std::optional<TransitionFrames> TransitionFrames::create(std::shared_ptr<TransitionRenderer> renderer,
                                                         TransitionScene scene, TransitionDirection direction) {
    if (!renderer) return std::nullopt;
    const auto size = targetSize(scene.uniforms);
    if (!size) return std::nullopt;
    TransitionFrames frames(std::move(renderer), std::move(scene), direction);
    for (auto& target : frames.targets_) {
        target = frames.renderer_->frameTarget(size->first, size->second);
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
