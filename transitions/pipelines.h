#pragma once

// The pair of render pipelines every effect (and every other piece that is drawn both in
// colour and into the shadow silhouette) is drawn with, made from one vertex and one
// fragment function of the shader library:
//   color       the main pass: BGRA8Unorm colour with 4 samples (the renderer's sample
//               count) and a Depth32Float depth target;
//   silhouette  the poses pass: R8Unorm, 1 sample, no depth.
// Both blend premultiplied colour source-over (one, one-minus-source-alpha), so a draw
// binds the same resources to either and only the target differs.

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/gpu/gpu.h"
#include "platform/runtime/result.h"

namespace furlpane {

struct Pipelines {
    std::shared_ptr<const platform::gpu::RenderPipelineState> color;
    std::shared_ptr<const platform::gpu::RenderPipelineState> silhouette;
};

// How a pipeline's colour meets the target's.
enum class Blending : std::uint8_t {
    premultipliedOver,  // source-over, premultiplied
    replaces,           // the source replaces the target: for a pass's first draw, over its
                        // transparent clear, where source-over gives the same bytes for less
};

// The targets a pipeline can be made for.
struct PipelineTarget {
    platform::gpu::PixelFormat color = platform::gpu::PixelFormat::bgra8Unorm;
    int sampleCount = 1;
    platform::gpu::PixelFormat depth = platform::gpu::PixelFormat::invalid;
    Blending blending = Blending::premultipliedOver;

    // The main pass of the renderer.
    static PipelineTarget mainPass(int sampleCount) {
        return {platform::gpu::PixelFormat::bgra8Unorm, sampleCount, platform::gpu::PixelFormat::depth32Float};
    }
    static PipelineTarget silhouettePass() { return {platform::gpu::PixelFormat::r8Unorm, 1}; }
    // An offscreen BGRA8 texture of one sample without depth (paper, classified page).
    static PipelineTarget offscreen() { return {}; }
};

// One pipeline of the two functions for the target, blending as it says.
// A name the library lacks leaves that function unset and the device refuses the
// descriptor; the failure says why.
platform::Result<std::shared_ptr<const platform::gpu::RenderPipelineState>> makePipeline(
    std::string_view vertex, std::string_view fragment, const platform::gpu::ShaderLibrary& library,
    platform::gpu::Device& device, PipelineTarget target);

// The colour pipeline first (with colorSampleCount samples, 4 in the program); the
// silhouette pipeline only when the colour one was made. Fails with the device's error
// when either cannot be made, keeping neither.
platform::Result<Pipelines> makePipelines(std::string_view vertex, std::string_view fragment,
                                          const platform::gpu::ShaderLibrary& library, platform::gpu::Device& device,
                                          int colorSampleCount = 4);

}  // namespace furlpane
