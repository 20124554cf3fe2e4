#include "platform/gpu/pipeline.h"

namespace platform::gpu {

ColorAttachmentDescriptor ColorAttachmentDescriptor::premultipliedOver(PixelFormat format) {
    ColorAttachmentDescriptor c;
    c.pixelFormat = format;
    c.blendingEnabled = true;
    c.sourceRGBBlendFactor = c.sourceAlphaBlendFactor = BlendFactor::one;
    c.destinationRGBBlendFactor = c.destinationAlphaBlendFactor = BlendFactor::oneMinusSourceAlpha;
    return c;
}

ColorAttachmentDescriptor ColorAttachmentDescriptor::opaque(PixelFormat format) {
    ColorAttachmentDescriptor c;
    c.pixelFormat = format;
    return c;
}

namespace {
std::string functionProblem(const std::shared_ptr<const ShaderFunction>& f, ShaderStage stage,
                            const char* what) {
    if (!f) return std::string(what) + " function is missing";
    if (f->stage() != stage) return std::string(what) + " function \"" + f->name() + "\" is of the other stage";
    const bool callable = stage == ShaderStage::vertex ? bool(f->vertex()) : bool(f->fragment());
    if (!callable) return std::string(what) + " function \"" + f->name() + "\" has no body";
    return {};
}
}  // namespace

std::string RenderPipelineState::validate(const RenderPipelineDescriptor& d) {
    if (auto p = functionProblem(d.vertexFunction, ShaderStage::vertex, "vertex"); !p.empty()) return p;
    if (auto p = functionProblem(d.fragmentFunction, ShaderStage::fragment, "fragment"); !p.empty()) return p;
    if (d.rasterSampleCount != 1 && d.rasterSampleCount != 4) return "raster sample count must be 1 or 4";
    if (!isColorFormat(d.colorAttachment.pixelFormat)) return "colour attachment format cannot be drawn into";
    if (d.depthAttachmentPixelFormat != PixelFormat::invalid &&
        d.depthAttachmentPixelFormat != PixelFormat::depth32Float)
        return "depth attachment format must be none or Depth32Float";
    return {};
}

}  // namespace platform::gpu
