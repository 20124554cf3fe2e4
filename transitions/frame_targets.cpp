#include "transitions/frame_targets.h"

#include <algorithm>
#include <atomic>

namespace furlpane {

using namespace platform::gpu;

namespace {

bool hasSize(const Texture& t, int width, int height) { return t.width() == width && t.height() == height; }

TextureDescriptor descriptorOf(PooledTexture kind, int width, int height) {
    if (kind == PooledTexture::picture)
        return TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, width, height, Mipmapped::yes);
    return TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, width, height, Mipmapped::no,
                                        TextureUsage::shaderReadAndRenderTarget);
}

}  // namespace

void makeResident(Texture& t) {
    constexpr std::size_t kPage = 4096;
    for (int i = 0; i < t.mipLevelCount(); ++i) {
        const Texture::Level& l = t.level(i);
        const std::size_t size = l.rowBytes * std::size_t(l.height);
        for (std::size_t at = 0; at < size; at += kPage) l.data[at] = 0;
    }
}

// The last holder's release happens before the texture is written again: a picture may be
// let go of on one thread and handed out on another.
bool FrameTargetPool::isFree(const std::shared_ptr<Texture>& t) {
    if (t.use_count() != 1) return false;
    std::atomic_thread_fence(std::memory_order_acquire);
    return true;
}

std::shared_ptr<Texture> FrameTargetPool::take(Device& device, int width, int height) {
    for (const auto& t : kept_)
        if (isFree(t) && hasSize(*t, width, height)) return t;
    return make(device, width, height);
}

bool FrameTargetPool::stock(Device& device, int width, int height, std::size_t count) {
    // The ones made here are held until the end so that make does not take them for free.
    std::vector<std::shared_ptr<Texture>> made;
    for (std::size_t have = freeOfSize(width, height); have + made.size() < std::min(count, limit_);) {
        auto t = make(device, width, height);
        if (!t) return false;
        makeResident(*t);
        made.push_back(std::move(t));
    }
    return true;
}

std::size_t FrameTargetPool::freeOfSize(int width, int height) const {
    return static_cast<std::size_t>(
        std::count_if(kept_.begin(), kept_.end(), [&](const auto& t) { return isFree(t) && hasSize(*t, width, height); }));
}

std::shared_ptr<Texture> FrameTargetPool::make(Device& device, int width, int height) {
    if (width < 1 || height < 1 || width > kMaxTextureSide || height > kMaxTextureSide) return nullptr;
    auto target = device.makeTexture(descriptorOf(kind_, width, height));
    if (!target) return nullptr;
    if (kept_.size() >= limit_) {
        const auto spare = std::find_if(kept_.begin(), kept_.end(), isFree);
        if (spare == kept_.end()) return target;  // every kept one is in use: this one is not kept
        kept_.erase(spare);
    }
    kept_.push_back(target);
    return target;
}

}  // namespace furlpane
