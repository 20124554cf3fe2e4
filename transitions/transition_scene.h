#pragma once

// What one transition draws, kept for the life of the transition: its effect, the
// per-frame uniforms, the window picture (and a fresher one), framings, shadows, the
// backdrop, and the drawing record of its effect.
//
// Drawing record. An effect that keeps something between frames keeps it in the scene's
// one drawing slot, empty until the effect's first frame: each effect derives its record
// from EffectDrawing in its own files (transitions/drawing/<effect>/), makes it in its
// preparation, and is the only code that looks inside it. A record owns the effect's
// plan, buffers and textures; the models own nothing but their values.

#include <memory>
#include <optional>

#include "platform/gpu/gpu.h"
#include "platform/simd/simd.h"
#include "transitions/effect_catalogue.h"
#include "transitions/transition_picture.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane {

struct EffectDrawing {
    virtual ~EffectDrawing() = default;
};

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

    std::shared_ptr<EffectDrawing> drawing;

    // The drawing record as the effect's own type; none while there is none, or when the
    // slot holds another effect's record.
    template <class Drawing>
    Drawing* drawingAs() const {
        return dynamic_cast<Drawing*>(drawing.get());
    }
    // The drawing record of that type, made by make() (a shared_ptr<Drawing>) when the slot
    // holds none; none, the slot unchanged, when make() gives none.
    template <class Drawing, class Make>
    Drawing* keepDrawing(Make make) {
        if (Drawing* kept = drawingAs<Drawing>()) return kept;
        std::shared_ptr<Drawing> made = make();
        Drawing* raw = made.get();
        if (made) drawing = std::move(made);
        return raw;
    }
};

}  // namespace furlpane
