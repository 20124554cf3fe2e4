// One frame of a transition: the effect's preparation, the frame's parameters, the
// silhouette (poses) pass and the main pass, committed on the renderer's queue.

#include <algorithm>

#include "transitions/effect_pass.h"
#include "transitions/effect_table.h"
#include "transitions/main_pass_draws.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;

namespace {

bool drawableTarget(const std::shared_ptr<Texture>& t) {
    return t && t->pixelFormat() == PixelFormat::bgra8Unorm && t->sampleCount() == 1 &&
           hasUsage(t->usage(), TextureUsage::renderTarget);
}

}  // namespace

void bindEffectPass(RenderEncoder& e, const TransitionRenderer& renderer, const TransitionScene& scene,
                    const ShadowParameters& shadow, const PassInfo& info) {
    e.setVertexValue(scene.uniforms, kUniformsIndex);
    e.setFragmentValue(scene.uniforms, kUniformsIndex);
    e.setVertexValue(shadow, kShadowParametersIndex);
    e.setFragmentValue(shadow, kShadowParametersIndex);
    e.setVertexValue(info, kPassInfoIndex);
    e.setFragmentValue(info, kPassInfoIndex);
    e.setFragmentTexture(scene.picture, 0);
    e.setFragmentTexture(scene.fresh ? scene.fresh : scene.picture, 1);
    e.setFragmentTexture(renderer.noise(), 2);
    e.setFragmentSampler(renderer.sampler(), 0);
    e.setDepthStencilState(nullptr);
}

RenderEncoder* beginOffscreenPass(CommandBuffer& commands, std::shared_ptr<Texture> target, LoadAction load) {
    RenderPassDescriptor pass;
    pass.colorAttachment.texture = std::move(target);
    pass.colorAttachment.loadAction = load;
    pass.colorAttachment.clearColor = {0, 0, 0, 0};
    pass.colorAttachment.storeAction = StoreAction::store;
    return commands.makeRenderEncoder(pass);
}

PassInfo passInfo(PassKind kind, const Texture& target) {
    return {kind == PassKind::silhouette ? 1u : 0u, static_cast<std::uint32_t>(target.sampleCount()),
            static_cast<std::uint32_t>(target.width()), static_cast<std::uint32_t>(target.height())};
}

bool TransitionRenderer::render(TransitionScene& scene, const std::shared_ptr<Texture>& target) {
    if (!drawableTarget(target)) return false;
    const auto commands = queue_->makeCommandBuffer();
    if (!commands) return false;
    const EffectHooks& hooks = effectHooks(scene.effect);
    const bool drawable = !hooks.prepare || hooks.prepare(*this, scene, *commands);
    const ShadowParameters shadow = shadowParameters(scene, scene.uniforms.progress);
    const Attachments* a = attachmentsFor(target->width(), target->height());
    bool drawn = false;
    if (a) {
        const bool poses = drawable && drawsPoses(shadow) && encodeSilhouettePass(*commands, scene, shadow, *a);
        drawn = encodeMainPass(*commands, scene, shadow, drawable, poses, *a, target);
    }
    commands->commit();
    drawn = drawn && commands->status() == CommandBufferStatus::completed;
    if (drawn && a->silhouette) attachments_.drawn = true;
    return drawn;
}

bool TransitionRenderer::prepare(int width, int height) {
    if (width < 1 || height < 1 || width > kMaxTextureSide || height > kMaxTextureSide) return false;
    const bool drawnBefore = attachments_.drawn && attachments_.width == width && attachments_.height == height;
    const bool made = !(attachments_.depth && attachments_.width == width && attachments_.height == height);
    const Attachments* a = attachmentsFor(width, height);
    // The depth is cleared by the first frame that tests it; the multisampled colour stays
    // untouched (the main pass draws in tile memory), so only the depth is made resident.
    if (a && made) makeResident(*a->depth);
    const bool stocked = frameTargets_.stock(*device_, width, height, 2);
    if (!a || !a->silhouette || !stocked) return false;
    if (drawnBefore) return true;
    // One frame with shadows and rims, nothing in it: the passes' working memory on every
    // thread is then in place as well.
    TransitionScene blank;
    blank.effect = TransitionEffect::scale;
    blank.uniforms.viewSize = {float(width), float(height)};
    blank.uniforms.window = {0, 0, float(width), float(height)};
    blank.uniforms.standIn = {0, 0, float(width) / 4, float(height) / 4};
    blank.windowShadow = {10, 5, 0.5f, 0.4f, 1, true};
    return render(blank, frameTarget(width, height));
}

std::shared_ptr<Texture> TransitionRenderer::frameTarget(int width, int height) {
    return frameTargets_.take(*device_, width, height);
}

std::shared_ptr<Texture> TransitionRenderer::pictureTexture(int width, int height) const {
    const std::lock_guard lock(pictureLock_);
    return pictureTextures_.take(*device_, width, height);
}

std::pair<std::size_t, std::size_t> TransitionRenderer::keptPictureTextures(int width, int height) const {
    const std::lock_guard lock(pictureLock_);
    return {pictureTextures_.kept(), pictureTextures_.freeOfSize(width, height)};
}

// The multisampled colour (with 4 samples), depth and silhouette textures of a target
// size, kept while the size stays. None when the colour or depth cannot be made; the
// silhouette is optional (frames are drawn without shadows until it can be made).
const TransitionRenderer::Attachments* TransitionRenderer::attachmentsFor(int width, int height) {
    if (attachments_.depth && attachments_.width == width && attachments_.height == height) {
        if (!attachments_.silhouette) attachments_.silhouette = makeSilhouette(width, height);
        return &attachments_;
    }
    attachments_ = {};
    auto color = TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, width, height, Mipmapped::no,
                                              TextureUsage::renderTarget);
    color.sampleCount = options_.sampleCount;
    if (options_.sampleCount > 1 && !(attachments_.multisampled = device_->makeTexture(color))) return nullptr;
    auto depth = color;
    depth.pixelFormat = PixelFormat::depth32Float;
    if (!(attachments_.depth = device_->makeTexture(depth))) return nullptr;
    attachments_.silhouette = makeSilhouette(width, height);
    attachments_.width = width;
    attachments_.height = height;
    return &attachments_;
}

// R8 at half the target's size, with mip levels.
std::shared_ptr<Texture> TransitionRenderer::makeSilhouette(int width, int height) const {
    return device_->makeTexture(TextureDescriptor::texture2D(PixelFormat::r8Unorm, std::max(1, width / 2),
                                                             std::max(1, height / 2), Mipmapped::yes,
                                                             TextureUsage::shaderReadAndRenderTarget));
}

// The frame's shapes drawn into the silhouette at half the target's size, then
// softened into its mip levels.
bool TransitionRenderer::encodeSilhouettePass(CommandBuffer& commands, const TransitionScene& scene,
                                              const ShadowParameters& shadow, const Attachments& a) {
    if (!a.silhouette) return false;
    RenderPassDescriptor pass;
    pass.colorAttachment.texture = a.silhouette;
    pass.colorAttachment.loadAction = LoadAction::clear;
    pass.colorAttachment.clearColor = {0, 0, 0, 0};
    RenderEncoder* e = commands.makeRenderEncoder(pass);
    if (!e) return false;
    bindEffectPass(*e, *this, scene, shadow, passInfo(PassKind::silhouette, *a.silhouette));
    drawEffect({*this, scene, *e, PassKind::silhouette, shadow});
    e->endEncoding();
    BlitEncoder* blit = commands.makeBlitEncoder();
    if (!blit) return false;
    blit->generateMipmaps(a.silhouette);
    blit->endEncoding();
    return true;
}

bool TransitionRenderer::encodeMainPass(CommandBuffer& commands, const TransitionScene& scene,
                                        const ShadowParameters& shadow, bool drawable, bool poses,
                                        const Attachments& a, const std::shared_ptr<Texture>& target) {
    RenderPassDescriptor pass;
    pass.colorAttachment.texture = a.multisampled ? a.multisampled : target;
    pass.colorAttachment.loadAction = LoadAction::clear;
    pass.colorAttachment.clearColor = {0, 0, 0, 0};
    if (a.multisampled) {
        pass.colorAttachment.resolveTexture = target;
        pass.colorAttachment.storeAction = StoreAction::multisampleResolve;
    }
    pass.depthAttachment.texture = a.depth;
    pass.depthAttachment.loadAction = LoadAction::clear;
    RenderEncoder* e = commands.makeRenderEncoder(pass);
    if (!e) return false;
    const PassInfo info = passInfo(PassKind::color, *pass.colorAttachment.texture);
    bindEffectPass(*e, *this, scene, shadow, info);
    if (scene.effect == TransitionEffect::blackHole && scene.backdrop && scene.backdrop->texture)
        drawBackdrop(*this, scene.uniforms, scene.backdrop->texture, *e, scene.backdrop->frame);
    bindEffectPass(*e, *this, scene, shadow, info);
    if (poses) drawShadows(*this, scene, shadow, a.silhouette, *e);
    if (shadow.framingFade > 0) drawFraming(*this, scene, shadow, *e);
    if (drawable) {
        bindEffectPass(*e, *this, scene, shadow, info);
        drawEffect({*this, scene, *e, PassKind::color, shadow});
    }
    if (poses) {
        bindEffectPass(*e, *this, scene, shadow, info);
        drawRims(*this, scene, shadow, a.silhouette, *e);
    }
    e->endEncoding();
    return true;
}

}  // namespace furlpane
