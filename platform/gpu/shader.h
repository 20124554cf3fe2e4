#pragma once

// Shader functions: ordinary C++ callables registered by name in a ShaderCatalog, which
// a Device turns into a ShaderLibrary (standing in for the compiled library shipped with
// the application). Pipelines look functions up by name; a name the library lacks gives
// no function, and a pipeline without one cannot be made.
//
// Vertex stage. A vertex function runs once per vertex and instance (twice for the
// vertices that two chunks of a long strip share, so it must be pure). It receives the
// vertex index (vertexStart + i), the instance index (baseInstance + j) and the vertex
// stage's bound resources, and returns a clip-space position (x and y in -w ... w with
// y upward, z in 0 ... w) and up to kMaxVaryings floats. It declares how many varyings it
// writes and which of them are flat (taken from the triangle's first vertex instead of
// being interpolated), so the rasterizer interpolates only those.
//
// Fragment stage. A fragment function shades one 2 × 2 quad of pixels per call, which
// keeps the cost of the call off each pixel and gives texture sampling its derivatives.
// Lanes are ordered (x, y), (x+1, y), (x, y+1), (x+1, y+1). The varyings come
// interpolated at the pixel centres, perspective-correct, in structure-of-arrays form.
// Lanes outside the primitive ("helpers", not in liveMask) carry extrapolated values,
// which may be far off or not finite; they exist only so that neighbouring lanes have
// derivatives, and their colour is ignored. The function writes a premultiplied colour
// per lane, or discards lanes; it is called once per pixel whatever the sample count.
// Shaders must be pure functions of their inputs: quads run in parallel on many threads.

#include "platform/gpu/buffer.h"
#include "platform/gpu/texture.h"
#include "platform/simd/vector.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace platform::gpu {

inline constexpr int kMaxVaryings = 16;
inline constexpr int kBufferSlots = 16;
inline constexpr int kTextureSlots = 16;
inline constexpr int kSamplerSlots = 8;

// What one stage of a draw sees: buffers (or set bytes), textures and samplers by index.
class StageResources {
public:
    struct BufferBinding {
        std::shared_ptr<const Buffer> buffer;
        std::size_t offset = 0;
    };

    // The bytes bound at index from the binding's offset on; empty when nothing is bound.
    // Inline, as are the look-ups below: shaders make them for every quad.
    std::span<const std::byte> bytes(int index) const {
        if (index < 0 || index >= kBufferSlots) return {};
        const BufferBinding& b = buffers_[static_cast<std::size_t>(index)];
        if (!b.buffer || b.offset >= b.buffer->length()) return {};
        return b.buffer->bytes().subspan(b.offset);
    }
    // The bound bytes as one T; null when nothing is bound, fewer bytes than a T remain,
    // or they are not aligned for T.
    template <class T>
    const T* value(int index) const {
        const auto b = bytes(index);
        if (b.size() < sizeof(T) || reinterpret_cast<std::uintptr_t>(b.data()) % alignof(T) != 0) return nullptr;
        return reinterpret_cast<const T*>(b.data());
    }
    // The bound bytes as an array of as many whole T as fit (empty when misaligned).
    template <class T>
    std::span<const T> array(int index) const {
        const auto b = bytes(index);
        if (reinterpret_cast<std::uintptr_t>(b.data()) % alignof(T) != 0) return {};
        return {reinterpret_cast<const T*>(b.data()), b.size() / sizeof(T)};
    }
    // Inline: shaders look them up for every quad.
    const Texture* texture(int index) const {
        return index >= 0 && index < kTextureSlots ? textures_[static_cast<std::size_t>(index)].get() : nullptr;
    }
    const Sampler* sampler(int index) const {
        return index >= 0 && index < kSamplerSlots ? samplers_[static_cast<std::size_t>(index)].get() : nullptr;
    }

    // Binding, used by the render encoder. Indices outside the slots are ignored.
    void setBuffer(int index, std::shared_ptr<const Buffer> buffer, std::size_t offset);
    void setTexture(int index, std::shared_ptr<const Texture> texture);
    void setSampler(int index, std::shared_ptr<const Sampler> sampler);
    bool usesTexture(const Texture* t) const;

private:
    std::array<BufferBinding, kBufferSlots> buffers_;
    std::array<std::shared_ptr<const Texture>, kTextureSlots> textures_;
    std::array<std::shared_ptr<const Sampler>, kSamplerSlots> samplers_;
};

struct VertexInput {
    std::uint32_t vertexId;
    std::uint32_t instanceId;
    const StageResources& resources;
};

struct VertexOutput {
    simd::float4 position;
    std::array<float, kMaxVaryings> varyings{};
};

struct VaryingLayout {
    int count = 0;              // varyings 0 ... count-1 are passed on
    std::uint32_t flatMask = 0;  // bit k: varying k is flat
};

struct FragmentQuad {
    // Inputs.
    int x = 0;  // the quad's top-left pixel; always even
    int y = 0;
    std::uint8_t liveMask = 0;  // bit i: lane i covers at least one sample
    bool frontFacing = true;
    std::uint32_t instanceId = 0;
    const StageResources* resources = nullptr;
    float varyings[kMaxVaryings][4] = {};  // varyings[k][lane]

    // Outputs.
    simd::float4 color[4] = {};
    std::uint8_t discardMask = 0;  // bit i: lane i writes nothing

    // The centre of lane i's pixel in target pixels (y downward).
    simd::float2 position(int lane) const {
        return {static_cast<float>(x + (lane & 1)) + 0.5f, static_cast<float>(y + (lane >> 1)) + 0.5f};
    }
    float varying(int k, int lane) const { return varyings[k][lane]; }
    // Varyings k and k+1 of every lane as vectors.
    Quad<simd::float2> varying2(int k) const {
        Quad<simd::float2> r;
        for (int i = 0; i < 4; ++i) r[static_cast<std::size_t>(i)] = {varyings[k][i], varyings[k + 1][i]};
        return r;
    }
    Quad<simd::float4> varying4(int k) const {
        Quad<simd::float4> r;
        for (int i = 0; i < 4; ++i)
            r[static_cast<std::size_t>(i)] = {varyings[k][i], varyings[k + 1][i], varyings[k + 2][i], varyings[k + 3][i]};
        return r;
    }
    void discard(int lane) { discardMask = static_cast<std::uint8_t>(discardMask | (1u << lane)); }
};

// The optional span form of a fragment function, for its common case: it shades two quads
// side by side (8 lanes, texture.h) per call, with what it looks up once per draw in
// DrawConstants, and keeps colours channel by channel. A function that offers it must
// give each lane the same colour and discard as its quad form would (the quad form still
// runs where spans are not used, e.g. under a depth test). Lanes and helpers are as in
// FragmentQuad.
struct FragmentSpan {
    // Inputs.
    int x = 0;  // the left quad's top-left pixel; the right quad's is (x + 2, y)
    int y = 0;
    std::uint8_t liveMask = 0;  // bit i: lane i covers at least one sample
    bool frontFacing = true;
    std::uint32_t instanceId = 0;
    const StageResources* resources = nullptr;
    alignas(32) float varyings[kMaxVaryings][kSpanLanes] = {};  // varyings[k][lane]

    // Outputs: premultiplied colours, 0 unless written.
    SpanColors color = {};
    std::uint8_t discardMask = 0;  // bit i: lane i writes nothing

    // The centre of lane i's pixel in target pixels (y downward).
    simd::float2 position(int lane) const {
        return {static_cast<float>(x + (lane & 1) + 2 * (lane >> 2)) + 0.5f,
                static_cast<float>(y + ((lane >> 1) & 1)) + 0.5f};
    }
};

// Bytes a span function fills once per draw and reads in every span: a trivially
// copyable T of at most kSize bytes, which prepare and shade agree on.
class DrawConstants {
public:
    static constexpr std::size_t kSize = 512;
    template <class T>
    T& emplace() {
        check<T>();
        return *new (bytes_) T{};
    }
    // The T that emplace made.
    template <class T>
    const T& as() const {
        check<T>();
        return *std::launder(reinterpret_cast<const T*>(bytes_));
    }

private:
    template <class T>
    static constexpr void check() {
        static_assert(sizeof(T) <= kSize && alignof(T) <= 64 && std::is_trivially_copyable_v<T>);
    }
    alignas(64) std::byte bytes_[kSize] = {};
};

struct SpanFunction {
    void (*prepare)(const StageResources&, DrawConstants&) = nullptr;  // once per draw and pass
    void (*shade)(FragmentSpan&, const DrawConstants&) = nullptr;
    explicit operator bool() const { return prepare != nullptr && shade != nullptr; }
};

// A span function from typed parts: prepare fills a C from the draw's resources, shade
// reads it.
template <class C, void (*Prepare)(const StageResources&, C&), void (*Shade)(FragmentSpan&, const C&)>
SpanFunction spanFunction() {
    return {[](const StageResources& r, DrawConstants& c) { Prepare(r, c.emplace<C>()); },
            [](FragmentSpan& s, const DrawConstants& c) { Shade(s, c.as<C>()); }};
}

using VertexFunction = std::function<VertexOutput(const VertexInput&)>;
using FragmentFunction = std::function<void(FragmentQuad&)>;

enum class ShaderStage : std::uint8_t { vertex, fragment };

class ShaderFunction {
public:
    ShaderFunction(std::string name, VertexFunction fn, VaryingLayout layout);
    ShaderFunction(std::string name, FragmentFunction fn, SpanFunction span = {});

    const std::string& name() const { return name_; }
    ShaderStage stage() const { return stage_; }
    const VaryingLayout& varyingLayout() const { return layout_; }
    const VertexFunction& vertex() const { return vertex_; }
    const FragmentFunction& fragment() const { return fragment_; }
    // The fragment function's span form; empty when it has none.
    const SpanFunction& span() const { return span_; }

private:
    std::string name_;
    ShaderStage stage_;
    VaryingLayout layout_;
    VertexFunction vertex_;
    FragmentFunction fragment_;
    SpanFunction span_;
};

// The functions an application registers; Device::makeLibrary turns it into a library.
// Registering a name again replaces the earlier function. A layout's count is clamped to
// 0 ... kMaxVaryings.
class ShaderCatalog {
public:
    void addVertexFunction(std::string name, VaryingLayout layout, VertexFunction fn);
    void addFragmentFunction(std::string name, FragmentFunction fn, SpanFunction span = {});

private:
    friend class ShaderLibrary;
    std::map<std::string, std::shared_ptr<const ShaderFunction>, std::less<>> functions_;
};

class ShaderLibrary {
public:
    explicit ShaderLibrary(const ShaderCatalog& catalog) : functions_(catalog.functions_) {}
    // The function of that name; null when the library has none.
    std::shared_ptr<const ShaderFunction> function(std::string_view name) const;

private:
    std::map<std::string, std::shared_ptr<const ShaderFunction>, std::less<>> functions_;
};

}  // namespace platform::gpu
