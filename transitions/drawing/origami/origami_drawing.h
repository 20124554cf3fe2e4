#pragma once

// The origami effect: the folding plan with its mesh and edge table, made once on the
// scene's first frame, and the facet records of each frame.
//
// Bindings of the draw (the renderer keeps buffer 1 for the shadow parameters, so the
// mesh moves up to buffer 5): the FacetFrames as vertex and fragment buffer 2, the look
// array as vertex and fragment bytes at index 3, the edge records as fragment buffer 4,
// the mesh as vertex buffer 5; cornerCount vertices drawn as triangles, depth-tested.
//
// The renderer reaches this effect only through the three functions below, listed in
// its effect table (transitions/effect_table.cpp).

#include <memory>
#include <vector>

#include "platform/gpu/gpu.h"
#include "transitions/effect_buffers.h"
#include "transitions/effect_pass.h"
#include "transitions/effects/origami/origami.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

template <>
struct RecordLayout<effects::Origami::FacetFrame> {
    static constexpr std::size_t size = 80;
};

struct OrigamiDrawing : EffectDrawing {
    effects::Origami folding;
    std::shared_ptr<platform::gpu::Buffer> triangles;
    int cornerCount = 0;
    std::shared_ptr<platform::gpu::Buffer> sides;
    // The records of the current frame; none when they could not be uploaded.
    std::shared_ptr<platform::gpu::Buffer> facets;
    std::vector<platform::simd::float4> look;
};

inline constexpr int kOrigamiFacetsIndex = 2;
inline constexpr int kOrigamiLookIndex = 3;
inline constexpr int kOrigamiSidesIndex = 4;
inline constexpr int kOrigamiMeshIndex = 5;

// Registers the shader functions of "origami".
void registerOrigamiShaders(platform::gpu::ShaderCatalog& catalog);
// On the first frame builds plan, mesh and edge records and uploads the two arrays (when
// either cannot be made nothing is kept and the next frame tries again); every frame
// uploads the frame's FacetFrames. False when nothing can be drawn this frame.
bool prepareOrigami(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawOrigami(const EffectPass& pass);

}  // namespace furlpane
