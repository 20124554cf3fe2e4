#pragma once

// Textures of transitions kept across them: the frame targets, and the pictures'
// textures. A transition draws into two BGRA8 targets of its overlay's size and samples
// pictures uploaded for it; each texture costs a zeroed allocation of some megabytes,
// paid at the start of the transition unless one of that size is already at hand.
// A pool hands out a kept texture of its kind and size that nobody else holds (a texture
// is free again once the transition, the layer that showed it and the picture's holders
// let go of it), makes one when none is free, and keeps at most its limit, dropping free
// textures of other sizes first. A texture handed out again holds what it held: pictures
// are written whole (their first level, then every level below it) before they are read.
//
// Main thread only (whether a texture is free is read from its use count); the
// renderer's picture pool is reached under its lock.

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/gpu/gpu.h"

namespace furlpane {

// Textures come from the system as pages made on first touch, so the first frame that
// draws into one would stop for its page faults. Makes t's pages now (t must still hold the
// zeros it was made with): for what is made ahead, off the path of a transition.
void makeResident(platform::gpu::Texture& t);

enum class PooledTexture : std::uint8_t {
    frameTarget,  // one sample, read by shaders and drawn into, one level
    picture,      // read by shaders, with a full chain of mip levels
};

class FrameTargetPool {
public:
    static constexpr std::size_t kKept = 6;

    explicit FrameTargetPool(PooledTexture kind = PooledTexture::frameTarget, std::size_t limit = kKept)
        : kind_(kind), limit_(limit) {}

    // A BGRA8 texture of the pool's kind and the size; none when the size is absurd or
    // the device cannot make it.
    std::shared_ptr<platform::gpu::Texture> take(platform::gpu::Device& device, int width, int height);
    // Makes free textures of the size until count of them are free (at most the limit);
    // false when one cannot be made.
    bool stock(platform::gpu::Device& device, int width, int height, std::size_t count);

    std::size_t kept() const { return kept_.size(); }
    std::size_t freeOfSize(int width, int height) const;

private:
    static bool isFree(const std::shared_ptr<platform::gpu::Texture>& t);
    // Makes a texture and keeps it when there is room or a free one to drop for it.
    std::shared_ptr<platform::gpu::Texture> make(platform::gpu::Device& device, int width, int height);

    PooledTexture kind_;
    std::size_t limit_;
    std::vector<std::shared_ptr<platform::gpu::Texture>> kept_;
};

}  // namespace furlpane
