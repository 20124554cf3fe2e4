#include "transitions/pipelines.h"

namespace furlpane {

using namespace platform::gpu;

platform::Result<std::shared_ptr<const RenderPipelineState>> makePipeline(std::string_view vertex,
                                                                          std::string_view fragment,
                                                                          const ShaderLibrary& library, Device& device,
                                                                          PipelineTarget target) {
    RenderPipelineDescriptor d;
    d.vertexFunction = library.function(vertex);
    d.fragmentFunction = library.function(fragment);
    d.rasterSampleCount = target.sampleCount;
    d.depthAttachmentPixelFormat = target.depth;
    d.colorAttachment = target.blending == Blending::replaces
                            ? ColorAttachmentDescriptor::opaque(target.color)
                            : ColorAttachmentDescriptor::premultipliedOver(target.color);
    std::string error;
    std::shared_ptr<const RenderPipelineState> state = device.makeRenderPipelineState(d, &error);
    if (!state) return platform::Failure{std::string(vertex) + " / " + std::string(fragment) + ": " + error};
    return state;
}

platform::Result<Pipelines> makePipelines(std::string_view vertex, std::string_view fragment,
                                          const ShaderLibrary& library, Device& device, int colorSampleCount) {
    auto color = makePipeline(vertex, fragment, library, device, PipelineTarget::mainPass(colorSampleCount));
    if (!color) return platform::Failure{color.error()};
    auto silhouette = makePipeline(vertex, fragment, library, device, PipelineTarget::silhouettePass());
    if (!silhouette) return platform::Failure{silhouette.error()};
    return Pipelines{std::move(color.value()), std::move(silhouette.value())};
}

}  // namespace furlpane
