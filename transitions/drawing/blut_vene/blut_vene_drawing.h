#pragma once

// The blutVene effect: the vein network, built once on the scene's first frame, its
// segments uploaded once, and the vein field drawn from them once into a texture over
// the region the veins cover. The field holds, per texel, when a vein reaches it (red,
// as a share of 0.4 of the progress), how close to the vein's middle it lies (green),
// its tree's value (blue) and its coverage (alpha); its mip levels give the flush that
// spreads around the veins. The effect's shaders animate the growth from the field and
// the progress; nothing of the network is computed again per frame.
//
// The flush is the field read at level of detail 3.5: halfway between its levels 3 and
// 4, which are also kept as textures of their own (copied once after the mip levels are
// made), so that the effect's fragments read them a quad at a time.
//
// Bindings of the draw: the look values as vertex and fragment bytes at index 2, the
// segments as vertex and fragment buffer 3, the field as fragment texture 3, its levels 3
// and 4 (when it has them) as fragment textures 4 and 5.
//
// The renderer reaches this effect only through the three functions below, listed in
// its effect table (transitions/effect_table.cpp).

#include <memory>
#include <vector>

#include "platform/gpu/gpu.h"
#include "transitions/effect_buffers.h"
#include "transitions/effect_pass.h"
#include "transitions/effects/blut_vene/blut_vene.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

template <>
struct RecordLayout<effects::BlutVene::Segment> {
    static constexpr std::size_t size = 48;
};

struct BlutVeneDrawing : EffectDrawing {
    effects::BlutVene making;
    std::shared_ptr<platform::gpu::Buffer> segments;  // none when the network has no segment
    std::shared_ptr<platform::gpu::Texture> field;
    std::shared_ptr<platform::gpu::Texture> flushLevels[2];  // the field's levels 3 and 4; none with fewer levels
    // (region x, y, width, height), (columns, rows, trunks, segments).
    std::vector<platform::simd::float4> look;
};

inline constexpr int kBlutVeneLookIndex = 2;
inline constexpr int kBlutVeneSegmentsIndex = 3;
inline constexpr int kBlutVeneFieldTexture = 3;
inline constexpr int kBlutVeneFlushTextures[2] = {4, 5};
// The level of detail of the flush and the levels it falls between.
inline constexpr float kBlutVeneFlushLod = 3.5f;
inline constexpr int kBlutVeneFlushLevels[2] = {3, 4};
// The field's texels per point, and its largest side.
inline constexpr float kBlutVeneFieldScale = 1;
inline constexpr int kBlutVeneFieldMaxSide = 2048;

// Registers the shader functions of "blutVene" and of the field pass ("blutVeneField").
void registerBlutVeneShaders(platform::gpu::ShaderCatalog& catalog);
// Once per scene: builds the network, uploads its segments and encodes the field's
// drawing (and its mip levels) into commands. False, keeping nothing, when a buffer,
// the field, its pipeline or its encoder cannot be made: the next frame tries again.
bool prepareBlutVene(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawBlutVene(const EffectPass& pass);

}  // namespace furlpane
