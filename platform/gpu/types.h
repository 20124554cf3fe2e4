#pragma once

// Plain values shared by the whole GPU interface: pixel formats, regions, actions,
// blending and sampling choices, and the kinds of resources whose creation can fail.

#include <cstddef>
#include <cstdint>

namespace platform::gpu {

enum class PixelFormat : std::uint8_t {
    invalid,
    bgra8Unorm,    // 4 bytes, blue green red alpha in memory; colour as premultiplied alpha
    r8Unorm,       // 1 byte; reads back as (r, 0, 0, 1)
    rg16Float,     // 2 half floats; reads back as (r, g, 0, 1)
    depth32Float,  // 1 float; depth attachments only
};

// Bytes of one texel (of one sample) in the format; 0 for invalid.
constexpr std::size_t bytesPerPixel(PixelFormat f) {
    switch (f) {
    case PixelFormat::bgra8Unorm: return 4;
    case PixelFormat::r8Unorm: return 1;
    case PixelFormat::rg16Float: return 4;
    case PixelFormat::depth32Float: return 4;
    case PixelFormat::invalid: break;
    }
    return 0;
}

constexpr bool isColorFormat(PixelFormat f) {
    return f == PixelFormat::bgra8Unorm || f == PixelFormat::r8Unorm || f == PixelFormat::rg16Float;
}

// A rectangle of texels: origin at the top-left texel, x to the right, y downward.
struct Region {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct ClearColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
};

enum class LoadAction : std::uint8_t {
    dontCare,  // keeps whatever the attachment holds (deterministically: its old contents)
    load,
    clear,
};

enum class StoreAction : std::uint8_t {
    dontCare,  // the contents stay as drawn
    store,
    multisampleResolve,          // resolve into the resolve texture
    storeAndMultisampleResolve,  // the same; the multisampled contents are kept too
};

enum class PrimitiveType : std::uint8_t {
    triangle,       // vertices (3i, 3i+1, 3i+2)
    triangleStrip,  // vertices (i, i+1, i+2), every other one turned to keep its winding
};

enum class BlendFactor : std::uint8_t {
    zero,
    one,
    sourceAlpha,
    oneMinusSourceAlpha,
};

enum class CompareFunction : std::uint8_t {
    never,
    less,
    equal,
    lessEqual,
    greater,
    notEqual,
    greaterEqual,
    always,
};

enum class CullMode : std::uint8_t { none, front, back };

// Which winding, as the triangle appears in the target (y downward), faces the viewer.
enum class Winding : std::uint8_t { clockwise, counterClockwise };

enum class SamplerFilter : std::uint8_t { nearest, linear };
enum class MipFilter : std::uint8_t { notMipmapped, nearest, linear };
enum class AddressMode : std::uint8_t { clampToEdge, repeat };

enum class CommandBufferStatus : std::uint8_t {
    notEnqueued,  // being encoded
    completed,    // committed and executed
    error,        // committed; some recorded work was invalid and was skipped (see error())
};

// The kinds of resource whose next creation a test can make fail (Device::failNext).
enum class Resource : std::uint8_t {
    buffer,
    texture,
    commandBuffer,
    encoder,   // render and blit encoders
    pipeline,  // render pipeline states
    library,
};

}  // namespace platform::gpu
