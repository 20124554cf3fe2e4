#pragma once

// The window-transition frame that the rasterizer benchmark draws: a full-screen backdrop
// copied texel for texel, and over it a window picture (trilinear, rounded corners,
// fading) that moves from its frame to a small stand-in as the progress p runs 0 ... 1,
// either as one quad or as a 64 × 48 mesh that ripples on the way. The scene, its
// procedural pictures and its measurement follow the peer benchmark it is compared
// with, so that both draw the same pixels.

#include "platform/gpu/gpu.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace furlpane::bench {

struct Variant {
    std::string name;  // quad_ms1, quad_ms4, mesh_ms1, mesh_ms4
    bool mesh;
    int samples;
};

const std::vector<Variant>& variants();

// Top-down RGBA pictures, computed with the peer's integer formulas.
std::vector<std::uint8_t> backdropPicture();  // 1280 × 800
std::vector<std::uint8_t> windowPicture();    // 800 × 600

class TransitionScene {
public:
    // Null when the device cannot make what the scene needs.
    static std::unique_ptr<TransitionScene> create(std::shared_ptr<platform::gpu::Device> device);

    // Draws the frame at progress p and waits for it.
    void drawFrame(const Variant& variant, float p);
    // The last frame as top-down RGBA bytes (resolved for 4 samples).
    std::vector<std::uint8_t> frameRGBA() const;

    static constexpr int kWidth = 1280;
    static constexpr int kHeight = 800;

private:
    explicit TransitionScene(std::shared_ptr<platform::gpu::Device> device);
    bool build();
    std::vector<float> windowVertices(bool mesh, float p) const;

    std::shared_ptr<platform::gpu::Device> device_;
    std::shared_ptr<platform::gpu::CommandQueue> queue_;
    std::shared_ptr<platform::gpu::RenderPipelineState> backdropPipeline_[2];  // by sample count 1, 4
    std::shared_ptr<platform::gpu::RenderPipelineState> windowPipeline_[2];
    std::shared_ptr<platform::gpu::Texture> backdrop_;
    std::shared_ptr<platform::gpu::Texture> window_;
    std::shared_ptr<platform::gpu::Sampler> backdropSampler_;
    std::shared_ptr<platform::gpu::Sampler> windowSampler_;
    std::shared_ptr<platform::gpu::Buffer> backdropVertices_;
    std::shared_ptr<platform::gpu::Buffer> quadIndices_;
    std::shared_ptr<platform::gpu::Buffer> meshIndices_;
    std::shared_ptr<platform::gpu::Texture> target_;
    std::shared_ptr<platform::gpu::Texture> multisampled_;
};

}  // namespace furlpane::bench
