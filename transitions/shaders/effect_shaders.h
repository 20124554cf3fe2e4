#pragma once

// The effects drawn by their shaders alone, one file each in this folder: each registers
// its pair ("<name>Vertex", "<name>Fragment") and draws itself into a pass from the
// uniforms, the picture and the noise. They keep nothing between frames, so they have
// no preparation (burningPaper and moonless, which keep textures, prepare in their
// drawing folders). `cut` draws with scale's pair.

#include "platform/gpu/gpu.h"
#include "transitions/effect_pass.h"

namespace furlpane {

void registerSwirlShaders(platform::gpu::ShaderCatalog& catalog);
void drawSwirl(const EffectPass& pass);
void registerRollUpShaders(platform::gpu::ShaderCatalog& catalog);
void drawRollUp(const EffectPass& pass);
void registerBlackHoleShaders(platform::gpu::ShaderCatalog& catalog);
void drawBlackHole(const EffectPass& pass);
void registerMistShaders(platform::gpu::ShaderCatalog& catalog);
void drawMist(const EffectPass& pass);
void registerBatsShaders(platform::gpu::ShaderCatalog& catalog);
void drawBats(const EffectPass& pass);
void registerBlindsShaders(platform::gpu::ShaderCatalog& catalog);
void drawBlinds(const EffectPass& pass);
void registerWiredShaders(platform::gpu::ShaderCatalog& catalog);
void drawWired(const EffectPass& pass);
void registerMagnetShaders(platform::gpu::ShaderCatalog& catalog);
void drawMagnet(const EffectPass& pass);
void registerMoonFangShaders(platform::gpu::ShaderCatalog& catalog);
void drawMoonFang(const EffectPass& pass);
void registerScaleShaders(platform::gpu::ShaderCatalog& catalog);
void drawScale(const EffectPass& pass);
void registerFadeShaders(platform::gpu::ShaderCatalog& catalog);
void drawFade(const EffectPass& pass);

// Shaders of the two effects that prepare textures in their drawing folders.
void registerBurningPaperShaders(platform::gpu::ShaderCatalog& catalog);
void registerMoonlessShaders(platform::gpu::ShaderCatalog& catalog);

}  // namespace furlpane
