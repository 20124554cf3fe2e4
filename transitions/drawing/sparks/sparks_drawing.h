#pragma once

// The sparks effect: the click-spark plan, made on the scene's first frame, and the
// spark records of each frame, drawn as one instance per record (and, for a title
// strip, one more: the title bar, which stays in place while the body bursts).
//
// Bindings of the draw: the spark records as vertex and fragment buffer 2, the frame's
// three look values as vertex and fragment bytes at index 3.
//
// The renderer reaches this effect only through the three functions below, listed in
// its effect table (transitions/effect_table.cpp).

#include <memory>
#include <vector>

#include "platform/gpu/gpu.h"
#include "transitions/effect_buffers.h"
#include "transitions/effect_pass.h"
#include "transitions/effects/sparks/sparks.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

template <>
struct RecordLayout<effects::Sparks::SparkFrame> {
    static constexpr std::size_t size = 64;
};

struct SparksDrawing : EffectDrawing {
    effects::Sparks making;
    // The records of the current frame; none when they could not be uploaded.
    std::shared_ptr<platform::gpu::Buffer> sparks;
    int count = 0;
    std::vector<platform::simd::float4> look;
};

inline constexpr int kSparkRecordsIndex = 2;
inline constexpr int kSparkLookIndex = 3;

// Registers the shader functions of "sparks".
void registerSparksShaders(platform::gpu::ShaderCatalog& catalog);
// Builds the plan on the first frame, uploads the frame's records every frame; false
// (nothing drawn, the plan kept) when the records cannot be uploaded.
bool prepareSparks(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawSparks(const EffectPass& pass);

}  // namespace furlpane
