#pragma once

// Render pipeline descriptors and states, and depth-stencil states.
//
// A pipeline fixes the two shader functions, the target it draws into (colour format,
// sample count, depth format) and how colour is blended. Device::makeRenderPipelineState
// refuses a descriptor without both functions (or with functions of the wrong stage), a
// sample count other than 1 or 4, a colour format that cannot be drawn into, or a depth
// format other than none or Depth32Float. A draw whose pass does not match its pipeline's
// target is skipped and reported by the command buffer.
//
// Blending adds the source colour times its factors to the target colour times its
// factors, separately for RGB and alpha; the factors are constants or the source alpha.
// One and one-minus-source-alpha is source-over compositing of premultiplied colour.
// With blending off the source replaces the target.

#include "platform/gpu/shader.h"
#include "platform/gpu/types.h"

#include <memory>
#include <string>

namespace platform::gpu {

struct ColorAttachmentDescriptor {
    PixelFormat pixelFormat = PixelFormat::invalid;
    bool blendingEnabled = false;
    BlendFactor sourceRGBBlendFactor = BlendFactor::one;
    BlendFactor sourceAlphaBlendFactor = BlendFactor::one;
    BlendFactor destinationRGBBlendFactor = BlendFactor::zero;
    BlendFactor destinationAlphaBlendFactor = BlendFactor::zero;

    // Premultiplied source-over: one, one-minus-source-alpha for RGB and alpha.
    static ColorAttachmentDescriptor premultipliedOver(PixelFormat format);
    static ColorAttachmentDescriptor opaque(PixelFormat format);
};

struct RenderPipelineDescriptor {
    std::shared_ptr<const ShaderFunction> vertexFunction;
    std::shared_ptr<const ShaderFunction> fragmentFunction;
    int rasterSampleCount = 1;
    ColorAttachmentDescriptor colorAttachment;
    PixelFormat depthAttachmentPixelFormat = PixelFormat::invalid;
    std::string label;
};

class RenderPipelineState {
public:
    explicit RenderPipelineState(RenderPipelineDescriptor d) : descriptor_(std::move(d)) {}
    const RenderPipelineDescriptor& descriptor() const { return descriptor_; }
    const VertexFunction& vertexFunction() const { return descriptor_.vertexFunction->vertex(); }
    const FragmentFunction& fragmentFunction() const { return descriptor_.fragmentFunction->fragment(); }
    const VaryingLayout& varyingLayout() const { return descriptor_.vertexFunction->varyingLayout(); }

    // Why d cannot make a pipeline; empty when it can.
    static std::string validate(const RenderPipelineDescriptor& d);

private:
    RenderPipelineDescriptor descriptor_;
};

// Without a depth-stencil state a draw neither tests nor writes depth.
struct DepthStencilDescriptor {
    CompareFunction depthCompareFunction = CompareFunction::always;
    bool depthWriteEnabled = false;
};

class DepthStencilState {
public:
    explicit DepthStencilState(const DepthStencilDescriptor& d) : descriptor_(d) {}
    const DepthStencilDescriptor& descriptor() const { return descriptor_; }

private:
    DepthStencilDescriptor descriptor_;
};

}  // namespace platform::gpu
