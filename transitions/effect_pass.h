#pragma once

// How an effect draws itself into one of the frame's two passes.
//
// Every frame the renderer draws the moving shapes twice: into the silhouette (poses)
// pass, whose coverage becomes the shadows and rims, and into the main colour pass. An
// effect's draw function is called once per pass with an EffectPass; it picks its
// pipelines for the pass with pipeline() or use(), binds its own records and draws. What
// the renderer has bound before the call (the effect may rely on it, and rebinds at its
// own indices):
//
//   buffer index 0, both stages     TransitionUniforms (144 bytes)
//   buffer index 1, both stages     the frame's ShadowParameters (48 bytes)
//   buffer index 15, both stages    PassInfo (which pass, the target's size)
//   fragment textures 0, 1, 2       the picture, the fresh picture (else the picture
//                                   again), the renderer's noise
//   fragment sampler 0              the renderer's sampler (linear, trilinear mips, clamp)
//
// Indices 2 ... 14 of buffers and 3 ... 15 of textures are the effect's own. A fragment
// function writes premultiplied colour through emit() (shaders/shader_support.h), which
// turns it into coverage in the silhouette pass, since the R8 silhouette target keeps
// only the first component.

#include <cstdint>
#include <memory>

#include "platform/gpu/gpu.h"
#include "transitions/frame_parameters.h"
#include "transitions/pipelines.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

enum class PassKind : std::uint8_t { silhouette, color };

inline constexpr int kUniformsIndex = 0;
inline constexpr int kShadowParametersIndex = 1;
inline constexpr int kFirstEffectIndex = 2;
inline constexpr int kPassInfoIndex = 15;

struct PassInfo {
    std::uint32_t silhouette = 0;  // 1 in the silhouette pass
    std::uint32_t sampleCount = 1;
    std::uint32_t width = 0;       // the target's size in pixels
    std::uint32_t height = 0;
};
static_assert(sizeof(PassInfo) == 16);

// Whether a draw tests and writes depth. Only the colour pass has a depth target; in
// the silhouette pass the choice is ignored.
enum class DepthTest : std::uint8_t { off, lessAndWrite };

struct EffectPass {
    const TransitionRenderer& renderer;
    const TransitionScene& scene;
    platform::gpu::RenderEncoder& encoder;
    PassKind kind;
    const ShadowParameters& shadow;

    // The pair's pipeline for this pass.
    const std::shared_ptr<const platform::gpu::RenderPipelineState>& pipeline(const Pipelines& pair) const {
        return kind == PassKind::color ? pair.color : pair.silhouette;
    }
    // Sets the pair's pipeline for this pass and the depth test.
    void use(const Pipelines& pair, DepthTest depth = DepthTest::off) const;
};

// An encoder of a pass of an effect's own into `target` alone (a page, a field, paper),
// which it loads as `load` says (cleared to transparent) and stores; none when it cannot
// be made.
platform::gpu::RenderEncoder* beginOffscreenPass(platform::gpu::CommandBuffer& commands,
                                                 std::shared_ptr<platform::gpu::Texture> target,
                                                 platform::gpu::LoadAction load);
// What a pass into `target` tells its shaders.
PassInfo passInfo(PassKind kind, const platform::gpu::Texture& target);
// Sets the bindings every draw of the frame may rely on (above).
void bindEffectPass(platform::gpu::RenderEncoder& encoder, const TransitionRenderer& renderer,
                    const TransitionScene& scene, const ShadowParameters& shadow, const PassInfo& info);

}  // namespace furlpane
