#pragma once

// The window-transition frame that the rasterizer benchmark draws: a full-screen backdrop
// copied texel for texel, and over it a window picture (trilinear, rounded corners,
// fading) that moves from its frame to a small stand-in as the progress p runs 0 ... 1,
// either as one quad or as a 64 × 48 mesh that ripples on the way. At 1280 × 800 the
// scene, its procedural pictures and its measurement follow the peer benchmark it is
// compared with, so that both draw the same pixels. A larger screen draws the same scene
// scaled: the backdrop at the screen's size, the window's rectangles and picture grown
// by the same factors (the picture's texels repeated), so that its first frame is still
// a 1:1 copy.

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

struct SceneSize {
    int width = 1280;
    int height = 800;
    std::string name() const { return std::to_string(width) + "x" + std::to_string(height); }
};

// Top-down RGBA pictures, computed with the peer's integer formulas: the backdrop at
// the screen's size, the window picture at 800 × 600 scaled as the screen is.
std::vector<std::uint8_t> backdropPicture(SceneSize screen);
std::vector<std::uint8_t> windowPicture(SceneSize picture);
SceneSize windowPictureSize(SceneSize screen);

class TransitionScene {
public:
    // Null when the device cannot make what the scene needs.
    static std::unique_ptr<TransitionScene> create(std::shared_ptr<platform::gpu::Device> device,
                                                   SceneSize screen = {});

    // Draws the frame at progress p and waits for it.
    void drawFrame(const Variant& variant, float p);
    // The last frame as top-down RGBA bytes (resolved for 4 samples).
    std::vector<std::uint8_t> frameRGBA() const;
    SceneSize size() const { return screen_; }

private:
    TransitionScene(std::shared_ptr<platform::gpu::Device> device, SceneSize screen);
    bool build();
    std::vector<float> windowVertices(bool mesh, float p) const;

    std::shared_ptr<platform::gpu::Device> device_;
    SceneSize screen_;
    SceneSize picture_;
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
