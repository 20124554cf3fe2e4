#pragma once

// What a render pass draws into: one colour attachment (a level of a texture), an
// optional depth attachment of the same size and sample count, and for a multisampled
// colour attachment an optional single-sample texture that receives the resolved image
// (each pixel the mean of its samples) when the pass ends.
//
// Loading happens when the pass begins (clear fills the attachment; load and dontCare
// keep what it holds) and storing when it ends (a resolve action writes the resolve
// texture). The colour attachment keeps what was drawn unless its samples are only
// resolved (multisampleResolve): then what it holds afterwards is left unspecified, and a
// pass that clears it draws its samples in tile memory and leaves the texture as it was.
// A depth attachment keeps what was drawn. Device-independent defaults: load dontCare,
// store store, clear colour opaque black, clear depth 1.

#include "platform/gpu/texture.h"
#include "platform/gpu/types.h"

#include <memory>

namespace platform::gpu {

struct RenderPassColorAttachment {
    std::shared_ptr<Texture> texture;
    int level = 0;
    std::shared_ptr<Texture> resolveTexture;
    LoadAction loadAction = LoadAction::dontCare;
    StoreAction storeAction = StoreAction::store;
    ClearColor clearColor;
};

struct RenderPassDepthAttachment {
    std::shared_ptr<Texture> texture;
    LoadAction loadAction = LoadAction::dontCare;
    StoreAction storeAction = StoreAction::dontCare;
    double clearDepth = 1.0;
};

struct RenderPassDescriptor {
    RenderPassColorAttachment colorAttachment;
    RenderPassDepthAttachment depthAttachment;
};

}  // namespace platform::gpu
