#pragma once

// What one transition draws, kept for the life of the transition: its effect, the
// per-frame uniforms, the window picture (and a fresher one), framings, shadows, the
// backdrop, and the cached drawing records of the modelled effects.
//
// Drawing records. Each modelled effect keeps one record here, empty until the effect's
// first frame. The records are declared by name only: each effect defines its record's
// struct in its own files (transitions/drawing/<effect>/), makes it with make_shared in
// its preparation, and is the only code that looks inside it. A record owns the effect's
// plan, buffers and textures; the models own nothing but their values.

#include <memory>
#include <optional>

#include "platform/gpu/gpu.h"
#include "platform/simd/simd.h"
#include "transitions/effect_catalogue.h"
#include "transitions/transition_picture.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane {

struct OrigamiDrawing;
struct ShardsDrawing;
struct ShadeDrawing;
struct PuzzleDrawing;
struct TacoDrawing;
struct ClassifiedDrawing;
struct WaterDrawing;
struct SmokeDrawing;
struct VeinsDrawing;
struct ClickSparksDrawing;

// A shadow cast by the window or by the stand-in, and its rim. Lengths in points.
struct TransitionShadow {
    float radius = 0;   // blur radius of the soft shadow
    float drop = 0;     // downward offset of the shadow
    float opacity = 0;  // darkness of the shadow
    float border = 0;   // strength of the rim line around the shape
    float width = 0;    // width of the rim line
    bool isSoft = false;
    friend bool operator==(const TransitionShadow&, const TransitionShadow&) = default;
};

// The light line just inside the stand-in's edge.
struct TransitionInnerRim {
    float density = 0;
    float width = 0;  // points
    friend bool operator==(const TransitionInnerRim&, const TransitionInnerRim&) = default;
};

struct TransitionScene {
    using Effect = TransitionEffect;

    // The picture of what lies behind the window.
    struct Backdrop {
        std::shared_ptr<platform::gpu::Texture> texture;
        platform::simd::float4 frame{};  // its rectangle, handed to the shader unchanged
    };
    // A paper texture made from a fresh picture, with the picture it was made from.
    struct FreshPaper {
        std::shared_ptr<platform::gpu::Texture> picture;
        std::shared_ptr<platform::gpu::Texture> paper;
    };

    Effect effect = Effect::cut;
    TransitionUniforms uniforms;
    std::shared_ptr<platform::gpu::Texture> picture;
    std::shared_ptr<platform::gpu::Texture> fresh;
    std::optional<TransitionPicture::Framing> framing;
    std::optional<TransitionPicture::Framing> freshFraming;
    TransitionShadow windowShadow;
    TransitionShadow standInShadow;
    TransitionInnerRim standInInnerRim;
    std::optional<Backdrop> backdrop;
    double slowdown = 1;  // the slow-motion factor (1 at normal speed)
    std::shared_ptr<platform::gpu::Texture> paper;
    std::optional<FreshPaper> freshPaper;

    std::shared_ptr<OrigamiDrawing> origami;
    std::shared_ptr<ShardsDrawing> shards;
    std::shared_ptr<ShadeDrawing> shade;
    std::shared_ptr<PuzzleDrawing> puzzle;
    std::shared_ptr<TacoDrawing> taco;
    std::shared_ptr<ClassifiedDrawing> classified;
    std::shared_ptr<WaterDrawing> water;
    std::shared_ptr<SmokeDrawing> smoke;
    std::shared_ptr<VeinsDrawing> veins;
    std::shared_ptr<ClickSparksDrawing> clickSparks;
};

}  // namespace furlpane
