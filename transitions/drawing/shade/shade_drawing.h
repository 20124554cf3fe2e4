#pragma once

// The roller-shade effect: the plan, made on the scene's first frame, and the 28 look
// values of each frame, drawn as the sheet with its title bar and roller ("shade"), the
// sheet hanging from the roller ("shadeFlaps"), the hem bar ("hemBars"), the pull cord
// ("pullCords") and its ring ("pullRings").
//
// Every draw receives the look array as vertex and fragment bytes at index 2 (see
// shadeFrame for its layout). Window-local points (x from the window's left edge,
// y down from its top edge) reach the view through the sheet transform of entries 0-3
// in modes 0 and 2, and by the window's origin in modes 1 and 3. The shaders draw the
// side view of the sheet flat, using its depth only to shade it.
//
// The renderer reaches this effect only through the three functions below, listed in
// its effect table (transitions/effect_table.cpp).

#include <vector>

#include "platform/gpu/gpu.h"
#include "transitions/effect_buffers.h"
#include "transitions/effect_pass.h"
#include "transitions/effects/shade/shade.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

struct ShadeDrawing : EffectDrawing {
    effects::Shade rolling;
    // The 28 values of the current frame; empty until the first frame is computed.
    std::vector<platform::simd::float4> look;
};

inline constexpr int kShadeLookIndex = 2;

// Builds the plan on the scene's first frame and computes the frame's look values, the
// motion of one display frame slowed with the scene's slowdown (a slowdown that is not
// above 0 counts as 1). It cannot fail.
void prepareShade(TransitionScene& scene);

// Registers the shader functions of "shade", "shadeFlaps", "hemBars", "pullCords", "pullRings".
void registerShadeShaders(platform::gpu::ShaderCatalog& catalog);
bool prepareShade(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawShade(const EffectPass& pass);

}  // namespace furlpane
