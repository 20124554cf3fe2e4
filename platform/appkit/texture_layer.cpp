#include "platform/appkit/texture_layer.h"

#include <vector>

#include "platform/appkit/presented_frames.h"

namespace platform {

namespace {

PresentedFrameWatcher& frameWatcher() {
    static PresentedFrameWatcher watcher;
    return watcher;
}

}  // namespace

void watchPresentedFrames(PresentedFrameWatcher watcher) { frameWatcher() = std::move(watcher); }

namespace detail {

bool isWatchingPresentedFrames() { return static_cast<bool>(frameWatcher()); }

void framePresented(const Image& frame) {
    if (const PresentedFrameWatcher watcher = frameWatcher()) watcher(frame);
}

}  // namespace detail

std::shared_ptr<TextureLayer> TextureLayer::make() { return std::make_shared<TextureLayer>(); }

bool TextureLayer::present(std::shared_ptr<const gpu::Texture> texture) {
    if (!texture || texture->pixelFormat() != gpu::PixelFormat::bgra8Unorm || texture->sampleCount() != 1) return false;
    texture_ = std::move(texture);
    ++presents_;
    if (detail::isWatchingPresentedFrames()) {
        if (auto frame = presentedContents()) detail::framePresented(*frame);
    }
    return true;
}

std::optional<Image> TextureLayer::presentedContents() const {
    if (!texture_) return Layer::presentedContents();
    const int w = texture_->width(), h = texture_->height();
    // BGRA8Unorm lies in memory as an image's words do (B, G, R, A, premultiplied).
    std::vector<uint32_t> words(size_t(w) * size_t(h));
    if (!texture_->getBytes(words.data(), size_t(w) * 4, {0, 0, w, h}, 0)) return std::nullopt;
    return Image::adopt(w, h, std::move(words), ColorSpace::sRGB());
}

}  // namespace platform
