#pragma once

// Span forms (shader.h) for fragments whose arithmetic is already done four lanes of a
// quad at once, with derivatives taken across the quad: the span reads the picture once
// for its eight lanes through textures bound once per draw, and is then shaded as the two
// quads it is made of by the fragment's own quad code, so that every lane keeps its bits.

#include <cstddef>
#include <cstring>

#include "platform/gpu/gpu.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane::shaders {

// Fragment texture 0 with the fresher picture (texture 1) mixed in by the uniforms'
// freshness, as pictureColors reads them, bound once per draw.
struct SpanPicture {
    platform::gpu::BoundTexture picture;  // empty without texture 0 or sampler 0
    platform::gpu::BoundTexture fresh;    // empty unless the fresher picture is mixed in
    float freshness = 0;

    void bind(const StageResources& r) {
        const platform::gpu::Texture* texture = r.texture(0);
        const platform::gpu::Texture* fresher = r.texture(1);
        const platform::gpu::Sampler* sampler = r.sampler(0);
        if (!texture || !sampler) return;
        picture = {texture, sampler};
        freshness = clamp01(uniformsOf(r).freshness);
        if (fresher && fresher != texture && freshness > 0) fresh = {fresher, sampler};
    }
    // The colours at u, v (kSpanLanes each); only with a picture.
    void colors(const float* u, const float* v, platform::gpu::SpanColors& out) const {
        picture.sample(u, v, out);
        if (!fresh) return;
        platform::gpu::SpanColors later;
        fresh.sample(u, v, later);
        const auto blend = [this](float* c, const float* l) {
            for (int i = 0; i < platform::gpu::kSpanLanes; ++i) c[i] = mix(c[i], l[i], freshness);
        };
        blend(out.r, later.r), blend(out.g, later.g), blend(out.b, later.b), blend(out.a, later.a);
    }
};

// Shades the span as its left and right quads: shade(quad, colours) gets each quad with
// the span's first `varyings` varyings and inputs, and the colours of its four lanes;
// its colours and discards are the span's.
template <class ShadeQuad>
[[gnu::always_inline]] inline void shadeAsQuads(platform::gpu::FragmentSpan& s, int varyings,
                                                const platform::gpu::SpanColors& colors, ShadeQuad&& shade) {
    platform::gpu::FragmentQuad q;
    q.y = s.y;
    q.frontFacing = s.frontFacing;
    q.instanceId = s.instanceId;
    q.resources = s.resources;
    for (int half = 0; half < 2; ++half) {
        const int first = 4 * half;
        q.x = s.x + 2 * half;
        q.liveMask = static_cast<std::uint8_t>(s.liveMask >> first & 15u);
        q.discardMask = 0;
        for (auto& c : q.color) c = {};
        for (int k = 0; k < varyings; ++k) std::memcpy(q.varyings[k], s.varyings[k] + first, sizeof q.varyings[k]);
        platform::gpu::Quad<float4> c;
        for (int i = 0; i < 4; ++i)
            c[std::size_t(i)] = {colors.r[first + i], colors.g[first + i], colors.b[first + i], colors.a[first + i]};
        shade(q, c);
        s.discardMask = static_cast<std::uint8_t>(s.discardMask | q.discardMask << first);
        for (int i = 0; i < 4; ++i) {
            s.color.r[first + i] = q.color[i].x, s.color.g[first + i] = q.color[i].y;
            s.color.b[first + i] = q.color[i].z, s.color.a[first + i] = q.color[i].w;
        }
    }
}

// What a span form that reads the picture keeps of the draw: the picture bound, and a
// Look the fragment reads off the draw (LookOf) once instead of per quad.
template <class Look>
struct PictureSpanConstants {
    SpanPicture picture;
    Look look;
};

template <class Look, Look (*LookOf)(const StageResources&)>
void preparePictureSpan(const StageResources& r, PictureSpanConstants<Look>& c) {
    c.picture.bind(r);
    if (c.picture.picture) c.look = LookOf(r);
}

// The span read at its first `varyings` varyings (0-1 the picture coordinates) and shaded
// quad by quad by Shade(quad, colours, look); nothing without a picture, as the quad
// forms discard every lane without one.
template <auto Shade, class Look>
inline void shadePictureSpan(platform::gpu::FragmentSpan& s,
                                                    const PictureSpanConstants<Look>& c, int varyings) {
    if (!c.picture.picture) {
        s.discardMask = 0xFF;
        return;
    }
    platform::gpu::SpanColors colors;
    c.picture.colors(s.varyings[0], s.varyings[1], colors);
    shadeAsQuads(s, varyings, colors, [&c](platform::gpu::FragmentQuad& q, const platform::gpu::Quad<float4>& quad) {
        Shade(q, quad, c.look);
    });
}

}  // namespace furlpane::shaders
