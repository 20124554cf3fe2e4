#pragma once

// The shatter effect on the GPU: the cutting plan, its shard mesh and edge records, and
// the shard records of each frame.
//
// The renderer reaches this effect only through the three functions below, listed in
// its effect table (transitions/effect_table.cpp). Bindings of the draw (besides the
// frame's, effect_pass.h):
//   vertex buffer 2     the mesh: float4 (x, y, shard index, 0) per vertex, window points
//   vertex buffer 4     the frame's Shatter::ShardFrame records, one per shard
//   fragment buffer 3   the edge records: eight float4 (inward normal, offset, label) per shard
//   both, bytes 5       `look`: (window width, height, crush, sweep), (crack width in points, 0, 0, 0)

#include <memory>
#include <vector>

#include "platform/gpu/gpu.h"
#include "transitions/effect_buffers.h"
#include "transitions/effect_pass.h"
#include "transitions/effects/shatter/shatter.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

template <>
struct RecordLayout<effects::Shatter::ShardFrame> {
    static constexpr std::size_t size = 96;
};

struct ShatterDrawing : EffectDrawing {
    effects::Shatter breaking;
    std::shared_ptr<platform::gpu::Buffer> triangles;
    int cornerCount = 0;
    std::shared_ptr<platform::gpu::Buffer> sides;
    std::shared_ptr<platform::gpu::Buffer> shards;  // none until a frame's records are made
    std::vector<platform::simd::float4> look;
};

// Registers the shader functions of "shatter".
void registerShatterShaders(platform::gpu::ShaderCatalog& catalog);
// On the first frame builds the plan, the mesh and the edge records (nothing is kept
// when a buffer cannot be made); every frame places the shards and uploads their records.
bool prepareShatter(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawShatter(const EffectPass& pass);

}  // namespace furlpane
