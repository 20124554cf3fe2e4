#pragma once

// The renderer's table of every effect: for each, the function that registers its
// shaders, its per-frame preparation (none for an effect that keeps nothing between
// frames) and its draw. Adding an effect is one line in effect_table.cpp, and its
// shaders (transitions/shaders/) or its drawing folder (transitions/drawing/<effect>/).
//
// The contract with each effect (see also transitions/README.md):
//   registerShaders(catalog)  registers the effect's vertex and fragment functions, and
//                             those of its piece pairs and single pipelines, under the
//                             names the renderer looks up ("<name>Vertex", "<name>Fragment").
//   prepare(renderer, scene, commands), when the effect has one,
//                             runs once per frame before any pass is encoded: on the
//                             first frame it builds the plan and keeps it in the scene's
//                             drawing record; every frame it refreshes the records and
//                             uploads them with makeBuffer. It may encode work of its own
//                             into commands (it runs before the frame's passes). False
//                             when the effect has nothing to draw this frame (a buffer
//                             that could not be made: nothing is kept, the next frame
//                             tries again).
//   draw(pass)                encodes the effect's draws into one pass (effect_pass.h),
//                             once for the silhouette pass and once for the colour pass.

#include <optional>
#include <span>

#include "platform/gpu/gpu.h"
#include "transitions/effect_pass.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

struct EffectHooks {
    using RegisterShaders = void (*)(platform::gpu::ShaderCatalog& catalog);
    using Prepare = bool (*)(TransitionRenderer& renderer, TransitionScene& scene,
                             platform::gpu::CommandBuffer& commands);
    using Draw = void (*)(const EffectPass& pass);

    TransitionEffect effect;
    RegisterShaders registerShaders;
    Prepare prepare;
    Draw draw;
};

// Every effect, in effect order.
std::span<const EffectHooks> effectTable();
// The effect's hooks (an effect outside the list gets cut's).
const EffectHooks& effectHooks(TransitionEffect effect);
// Encodes the scene's effect into one pass.
void drawEffect(const EffectPass& pass);

}  // namespace furlpane
