#pragma once

// The program's transition renderer: the device and its command queue ("Stand-in
// transitions"), the shader library, every pipeline pair and single pipeline, the
// sampler and noise texture, and the per-frame render.
//
// Set-up (create) makes every pair with makePipelines: one per effect (`cut` shares the
// pair of `scale`) and the further pairs of PiecePair; then the single pipelines. The
// first pipeline that cannot be made fails the whole set-up: there is no renderer, and
// the transitions that would have used it are not animated. Shader function names are
// "<name>Vertex" and "<name>Fragment", with <name> the effect's name (effectName), the
// piece pair's name or the single pipeline's name (pieceName, singleName).
//
// Shader library. Stand-in shaders of the transitions register themselves first (the
// picture quad of the effects that have no model, the lens, shadow, rims and framing);
// then each modelled effect's registration function of the effect table runs
// (effect_table.h), so an effect that registers a name again replaces the stand-in.
//
// One frame (render), in this order:
//   1. the scene's effect's preparation, when it has one (a modelled effect builds its
//      plan on the first frame, refreshes its records, and may encode passes of its own,
//      say a page texture, into the frame's command buffer);
//   2. shadowParameters of the scene at the uniforms' progress;
//   3. when any of windowBorder, windowFade, standInBorder, standInFade, innerRimDensity
//      is above 0, the silhouette (poses) pass: the effect drawn with its silhouette
//      pipelines into an R8 target, whose mip levels then soften it;
//   4. the main pass: the backdrop through the lens (blackHole with a backdrop only);
//      the shadows (when the poses were drawn); the framing under the picture (when
//      framingFade is above 0 and the picture has a framing); the effect; the rim and
//      inner rim (when the poses were drawn). With 4 samples it resolves into the target.
// A resource that cannot be made makes the frame draw less; nothing is logged.
//
// Main thread only (the picture makers in transition_picture.h and pictureTexture
// excepted).

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/gpu/gpu.h"
#include "transitions/effect_buffers.h"
#include "transitions/effect_catalogue.h"
#include "transitions/frame_parameters.h"
#include "transitions/frame_targets.h"
#include "transitions/pipelines.h"
#include "transitions/transition_scene.h"

namespace furlpane {

// The pairs drawn besides the effects' own.
enum class PiecePair : std::uint8_t {
    icons,
    ejected,
    ejectedIcons,
    titleBars,
    shadeFlaps,
    hemBars,
    pullCords,
    pullRings,
    puzzleTrays,
    tacoPieces,
};
inline constexpr int kPiecePairCount = 10;
std::string_view pieceName(PiecePair pair);

// Pipelines of one target only.
enum class Single : std::uint8_t {
    lens,          // main pass: the backdrop through the lens
    paperDrawing,  // offscreen: the burning paper texture
    pageCopies,    // offscreen: the classified page
    pageBars,
    pageStamps,
    shadow,        // main pass: the soft shadows under the shapes
    rim,           // main pass: the rim line around the shapes
    innerRim,      // main pass: the light line inside the stand-in's edge
    framing,       // main pass: the framing under the picture
};
inline constexpr int kSingleCount = 9;
std::string_view singleName(Single single);

struct RendererOptions {
    // Samples of the main pass: 4 in the program; 1 draws cheaper frames (benchmarks).
    int sampleCount = 4;
};

class TransitionRenderer {
public:
    // None when the library or any pipeline cannot be made.
    static std::shared_ptr<TransitionRenderer> create(std::shared_ptr<platform::gpu::Device> device,
                                                      RendererOptions options = {});
    // The program's renderer, made on first use on a device of its own; none when its
    // set-up failed (it is not tried again). Each run of the program's process has its
    // own, as each process has: its textures and stamp face are its run's alone.
    static std::shared_ptr<TransitionRenderer> shared();

    const std::shared_ptr<platform::gpu::Device>& device() const { return device_; }
    const std::shared_ptr<platform::gpu::CommandQueue>& queue() const { return queue_; }
    const std::shared_ptr<const platform::gpu::ShaderLibrary>& library() const { return library_; }
    int sampleCount() const { return options_.sampleCount; }

    // The effect's pair (scale's for cut).
    const Pipelines& pictures(TransitionEffect effect) const;
    const Pipelines& pair(PiecePair pair) const { return pieces_[static_cast<size_t>(pair)]; }
    const std::shared_ptr<const platform::gpu::RenderPipelineState>& single(Single s) const {
        return singles_[static_cast<size_t>(s)];
    }
    const std::shared_ptr<const platform::gpu::Sampler>& sampler() const { return sampler_; }
    const std::shared_ptr<const platform::gpu::Texture>& noise() const { return noise_; }
    // Depth test of the main pass: less, writing.
    const std::shared_ptr<const platform::gpu::DepthStencilState>& depthTest() const { return depthTest_; }

    // The classified effect's stamp face, absent until it is first drawn.
    const std::shared_ptr<platform::gpu::Texture>& stampFace() const { return stampFace_; }
    void setStampFace(std::shared_ptr<platform::gpu::Texture> face) { stampFace_ = std::move(face); }

    // A buffer of the records (effect_buffers.h); none for an empty array.
    template <GpuRecord Record>
    std::shared_ptr<platform::gpu::Buffer> makeBuffer(std::span<const Record> records) const {
        return furlpane::makeBuffer(*device_, records);
    }
    template <GpuRecord Record>
    std::shared_ptr<platform::gpu::Buffer> makeBuffer(const std::vector<Record>& records) const {
        return furlpane::makeBuffer(*device_, records);
    }

    // Renders one frame of the scene into target (BGRA8Unorm, one sample, usable as a
    // render target; its size in pixels is the uniforms' viewSize × pixelsPerPoint) and
    // waits for it. False when nothing could be drawn: no command buffer, a target that
    // cannot be drawn into, or a frame the device reported as failed.
    bool render(TransitionScene& scene, const std::shared_ptr<platform::gpu::Texture>& target);

    // Makes now what the first frame into targets of the size would otherwise make: the
    // main pass's multisampled colour and depth, the silhouette, and two frame targets
    // in the pool. The attachments stay while frames keep to the size. False when any
    // cannot be made (frames then try again). Cheap when the last frame drawn was of the
    // size: only the frame targets are stocked again.
    bool prepare(int width, int height);
    // A frame target of the size (see frame_targets.h); none when it cannot be made.
    std::shared_ptr<platform::gpu::Texture> frameTarget(int width, int height);
    const FrameTargetPool& frameTargets() const { return frameTargets_; }
    // A picture's texture of the size (BGRA8Unorm, a full chain of mip levels), kept
    // across transitions like the frame targets, so it may hold an earlier picture: the
    // caller writes every level. None when it cannot be made. Any thread.
    std::shared_ptr<platform::gpu::Texture> pictureTexture(int width, int height) const;
    // The picture textures kept, and those of the size nobody holds.
    std::pair<std::size_t, std::size_t> keptPictureTextures(int width, int height) const;

    explicit TransitionRenderer(std::shared_ptr<platform::gpu::Device> device, RendererOptions options);

private:
    struct Attachments {
        int width = 0;
        int height = 0;
        std::shared_ptr<platform::gpu::Texture> multisampled;  // none with one sample
        std::shared_ptr<platform::gpu::Texture> depth;
        std::shared_ptr<platform::gpu::Texture> silhouette;  // R8 with mip levels
        bool drawn = false;  // a frame was drawn with all three (the passes' memory is in place)
    };

    bool setUp();
    bool makePipelinePairs();
    bool makeSingles();
    bool makeNoise();
    const Attachments* attachmentsFor(int width, int height);
    std::shared_ptr<platform::gpu::Texture> makeSilhouette(int width, int height) const;
    bool encodeSilhouettePass(platform::gpu::CommandBuffer& commands, const TransitionScene& scene,
                              const ShadowParameters& shadow, const Attachments& a);
    bool encodeMainPass(platform::gpu::CommandBuffer& commands, const TransitionScene& scene,
                        const ShadowParameters& shadow, bool drawable, bool poses, const Attachments& a,
                        const std::shared_ptr<platform::gpu::Texture>& target);

    std::shared_ptr<platform::gpu::Device> device_;
    RendererOptions options_;
    std::shared_ptr<platform::gpu::CommandQueue> queue_;
    std::shared_ptr<const platform::gpu::ShaderLibrary> library_;
    std::array<Pipelines, kEffectCount> pictures_;
    std::array<Pipelines, kPiecePairCount> pieces_;
    std::array<std::shared_ptr<const platform::gpu::RenderPipelineState>, kSingleCount> singles_;
    std::shared_ptr<const platform::gpu::Sampler> sampler_;
    std::shared_ptr<const platform::gpu::Texture> noise_;
    std::shared_ptr<const platform::gpu::DepthStencilState> depthTest_;
    std::shared_ptr<platform::gpu::Texture> stampFace_;
    Attachments attachments_;
    FrameTargetPool frameTargets_;
    static constexpr std::size_t kKeptPictures = 4;
    mutable std::mutex pictureLock_;  // picture textures are taken on the capture queue too
    mutable FrameTargetPool pictureTextures_{PooledTexture::picture, kKeptPictures};
};

}  // namespace furlpane
