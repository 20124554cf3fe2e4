#pragma once

// The frame targets of transitions, kept across them. A transition draws into two BGRA8
// targets of its overlay's size; each costs a zeroed allocation of some megabytes, paid
// in the first frame of the transition unless a target of that size is already at hand.
// The pool hands out a kept target of the size that nobody else holds (a target is free
// again once the transition and the layer that showed it let go of it), makes one when
// none is free, and keeps at most kKept, dropping free targets of other sizes first.
//
// Main thread only (whether a target is free is read from its use count).

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/gpu/gpu.h"

namespace furlpane {

class FrameTargetPool {
public:
    static constexpr std::size_t kKept = 6;

    // A BGRA8 target of one sample, read by shaders and drawn into, of the size; none
    // when the size is absurd or the device cannot make it.
    std::shared_ptr<platform::gpu::Texture> take(platform::gpu::Device& device, int width, int height);
    // Makes free targets of the size until count of them are free (at most kKept); false
    // when one cannot be made.
    bool stock(platform::gpu::Device& device, int width, int height, std::size_t count);

    std::size_t kept() const { return kept_.size(); }
    std::size_t freeOfSize(int width, int height) const;

private:
    static bool isFree(const std::shared_ptr<platform::gpu::Texture>& t) { return t.use_count() == 1; }
    // Makes a target and keeps it when there is room or a free target to drop for it.
    std::shared_ptr<platform::gpu::Texture> make(platform::gpu::Device& device, int width, int height);

    std::vector<std::shared_ptr<platform::gpu::Texture>> kept_;
};

}  // namespace furlpane
