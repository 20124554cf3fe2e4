#pragma once

// The classified effect on the GPU: the picture read back for its ink map, the plan, the
// page texture on which the picture, the marker bars and the stamp prints are composed,
// and the strips cut from that page on every frame.
//
// The renderer reaches this effect only through registerClassifiedShaders,
// prepareClassified and drawClassified, listed in its effect table. The preparation reads
// the picture back and builds the plan on the first frame, refreshes the strip records
// every frame, and composes the page (into the frame's command buffer) whenever what it
// shows has changed: while bars are being drawn and stamps printed.
//
// Bindings of the effect's draws (besides the renderer's, effect_pass.h):
//   buffer 2   the strip records (Classified::StripFrame), vertex stage
//   buffer 3   the frame's look values, both stages
//   texture 3  the page; texture 4 the stamp face (fragment)
// and of the page pass: buffer 0 the uniforms, buffer 2 the bar records, buffer 3 the
// look values, textures 0 to 2 the picture, the fresh picture, the noise, texture 3 the
// stamp face.

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "platform/gpu/gpu.h"
#include "platform/graphics/text.h"
#include "transitions/effect_buffers.h"
#include "transitions/effect_pass.h"
#include "transitions/effects/classified/classified.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

template <>
struct RecordLayout<effects::Classified::BarFrame> {
    static constexpr std::size_t size = 32;
};
template <>
struct RecordLayout<effects::Classified::StripFrame> {
    static constexpr std::size_t size = 128;
};

struct ClassifiedDrawing : EffectDrawing {
    effects::Classified making;
    std::shared_ptr<platform::gpu::Buffer> bars;  // none when the plan has no bars
    std::shared_ptr<platform::gpu::Texture> page;
    // What the page was composed for: the progress (no later than the moment after which
    // the page no longer changes) and the picture's freshness. None until it is composed.
    std::optional<platform::simd::float2> drawnAt;
    std::shared_ptr<platform::gpu::Buffer> strips;  // the frame's strips, the title bar first
    int stripCount = 0;
    std::vector<platform::simd::float4> look;
};

// Registers the shader functions of "classified", "pageCopies", "pageBars", "pageStamps".
// The quads down the length of one strip, so that the part cut free can bend.
inline constexpr std::uint32_t kStripSegments = 12;

void registerClassifiedShaders(platform::gpu::ShaderCatalog& catalog);
bool prepareClassified(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawClassified(const EffectPass& pass);

// The ink map of the picture, read back at the level readBackLayout chooses, waiting for
// the copy. None when the picture is missing, or a buffer, command buffer or encoder
// cannot be made, or the copy does not complete.
std::optional<effects::Classified::Ink> readBack(const TransitionRenderer& renderer,
                                                 const std::shared_ptr<platform::gpu::Texture>& picture,
                                                 double pixelsPerPoint);

// Encodes the page pass (copies, bars, stamps) and the page's mip generation into the
// command buffer. Draws nothing when no encoder can be made; leaves the mip levels alone
// when no blit encoder can be made. True only when the whole page was composed, stamps
// and mip levels included; otherwise the caller composes it again on a later frame.
bool renderClassifiedPage(TransitionRenderer& renderer, const ClassifiedDrawing& drawing, const TransitionScene& scene,
                          platform::gpu::CommandBuffer& commands);

// The face of the rubber stamp, a white "TOP SECRET" label on transparent (720 × 200
// pixels), made once and kept by the renderer; none (and nothing kept) when it cannot be
// made, its label's font included, so that the next call tries again. The font comes
// from the platform's font directory unless another is given.
std::shared_ptr<platform::gpu::Texture> drawStampFace(
    TransitionRenderer& renderer, const std::filesystem::path& fontDirectory = platform::Font::defaultDirectory());

}  // namespace furlpane
