#pragma once

// The taco effect on the GPU: the plan, and every frame the sheet transform, the sheet's
// look values and the filling pieces.
//
// The renderer reaches this effect only through registerTacoShaders, prepareTaco and
// drawTaco, listed in its effect table. The sheet is drawn as a strip of rows of the
// picture, bent around the crease in the vertex shader; the rows above the crease
// (Taco::splitCount of the grid's rows) are drawn apart from the rest, so that the
// pieces inside the fold lie between the flat part and the folded-up back flap:
//   the flat part, the pieces inside the fold, the back flap, the other pieces.
//
// Bindings of the effect's draws (besides the renderer's, effect_pass.h):
//   buffer 2   the piece records (Taco::PieceFrame), vertex stage
//   buffer 3   the frame's look values, both stages
//   buffer 4   the bites taken, gathered from the look once per draw (tacoBites), fragment

#include <memory>
#include <span>
#include <vector>

#include "platform/gpu/gpu.h"
#include "transitions/effect_buffers.h"
#include "transitions/effect_pass.h"
#include "transitions/effects/taco/taco.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

template <>
struct RecordLayout<effects::Taco::PieceFrame> {
    static constexpr std::size_t size = 48;
};

struct TacoDrawing : EffectDrawing {
    effects::Taco making;
    std::shared_ptr<platform::gpu::Buffer> pieces;  // none when no piece is drawn
    int pieceCount = 0;
    int behind = 0;  // the first `behind` pieces lie inside the fold
    std::vector<platform::simd::float4> look;
};

// The rows the sheet is drawn with: the grid's rows, 1 ... 2048 (64 without a grid).
int tacoSheetRows(const TransitionUniforms& uniforms);

// The bites a frame's look holds that have been taken, as the sheet's fragments read
// them: their count, then each one's centre x, y and reach. Empty for a short look.
std::vector<platform::simd::float4> tacoBites(std::span<const platform::simd::float4> look);

// Registers the shader functions of "taco" and "tacoPieces".
void registerTacoShaders(platform::gpu::ShaderCatalog& catalog);
bool prepareTaco(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawTaco(const EffectPass& pass);

}  // namespace furlpane
