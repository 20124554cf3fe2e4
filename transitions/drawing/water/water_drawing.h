#pragma once

// The water effect on the GPU: its plan, the field texture and the drop records of each
// frame.
//
// Every frame the preparation computes the frame (Water::waterFrame with a streak step of
// (1/120) / slowdown), uploads the drops and, when there are any, draws them into the
// field: an RG16Float texture over the view, `texel` points a texel, into which each
// drop adds its blob weight × (1 − d²/r²)³ (red) and the same times its picture share
// (green), d measured from the drop's streak. The effect's own draw is then one quad over
// the frame's drawing rectangle that composes, in this order, the whole window (while it
// is shown), the water wherever the field passes the plan's level, the puddles, the
// stand-in (when it is shown) and, for a title strip, its title bar.
//
// Of the frame's `look` the preparation sets look[2] itself: (texel in points, 1 when it
// made the drop buffer else 0, field width, field height in texels).
//
// Bindings (besides the frame's, effect_pass.h): field pass, vertex buffer 2 the drops,
// vertex bytes 3 FieldInfo; main pass, both stages bytes 2 the `look` (15 entries),
// fragment texture 3 the field, fragment bytes 4 DropCells and 5 their marks.

#include <memory>
#include <vector>

#include "platform/gpu/gpu.h"
#include "transitions/effect_buffers.h"
#include "transitions/effect_pass.h"
#include "transitions/effects/water/water.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

template <>
struct RecordLayout<effects::Water::DropFrame> {
    static constexpr std::size_t size = 48;
};

// The field pass's view of the field: the points it covers.
struct FieldInfo {
    platform::simd::float2 extent;  // width and height in points
    float texel = 1;
    float padding = 0;
};
static_assert(sizeof(FieldInfo) == 16);

// Where the field can be other than 0: the field cut into square cells, marked (1) where
// a drop's quad, grown by the reach of bilinear filtering, may touch it, rows from the
// top. Points beyond the field count as in its nearest cell, as the field's edges are
// read there. The main pass reads the field only under marked cells; without cells
// (side 0) it reads it everywhere.
struct DropCells {
    float side = 0;  // points
    std::uint32_t columns = 0;
    std::uint32_t rows = 0;
    std::uint32_t padding = 0;
};
static_assert(sizeof(DropCells) == 16);
inline constexpr int kDropCellsIndex = 4;
inline constexpr int kDropCellMarksIndex = 5;

// The most drops the field pass draws (4 vertices each must stay within one draw's
// limit); a plan holds that many only for absurd windows, whose extra drops are left out.
inline constexpr int kMostFieldDrops = 1 << 18;
// The largest field side, in texels: a larger view gets coarser texels.
inline constexpr int kLargestFieldSide = 2048;

struct WaterDrawing : EffectDrawing {
    effects::Water making;
    std::shared_ptr<platform::gpu::Texture> field;
    float texel = 1;
    std::shared_ptr<platform::gpu::Buffer> drops;  // none in a frame without drops
    int dropCount = 0;
    std::vector<platform::simd::float4> look;
    DropCells cells;
    std::vector<std::uint8_t> marks;  // cells.columns × cells.rows
    // The field pass's pipeline (RG16Float, one sample), made with the field.
    std::shared_ptr<const platform::gpu::RenderPipelineState> fieldPipeline;
};

// Registers the shader functions of "water" and of its field pass, "waterField".
void registerWaterShaders(platform::gpu::ShaderCatalog& catalog);
// On the first frame builds the plan, the field texture and the field pipeline (nothing
// is kept when one cannot be made); every frame computes the frame and draws the field.
bool prepareWater(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawWater(const EffectPass& pass);

}  // namespace furlpane
