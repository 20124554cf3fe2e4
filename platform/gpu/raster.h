#pragma once

// The software rasterizer's internal interface: what a render encoder records, the
// triangles that set-up makes of it, and the entry point that executes a pass.
// Internal to the GPU layer.

#include "platform/gpu/pipeline.h"
#include "platform/gpu/render_pass.h"
#include "platform/gpu/shader.h"
#include "platform/gpu/worker_pool.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform::gpu {

// Everything a draw binds, shared between consecutive draws that bind the same.
struct DrawState {
    std::shared_ptr<const RenderPipelineState> pipeline;
    std::shared_ptr<const DepthStencilState> depthStencil;
    std::shared_ptr<const StageResources> vertexResources;
    std::shared_ptr<const StageResources> fragmentResources;
    CullMode cullMode = CullMode::none;
    Winding frontFacingWinding = Winding::clockwise;
};

struct DrawCommand {
    std::shared_ptr<const DrawState> state;
    PrimitiveType primitive = PrimitiveType::triangle;
    std::uint32_t vertexStart = 0;
    std::uint32_t vertexCount = 0;
    std::uint32_t instanceCount = 1;
    std::uint32_t baseInstance = 0;
};

struct RenderPassRecord {
    RenderPassDescriptor descriptor;
    std::vector<DrawCommand> draws;
};

// One recorded pass of a command buffer: a render pass, or a copy prepared (and
// validated) by a blit encoder.
struct RecordedWork {
    std::unique_ptr<RenderPassRecord> pass;
    std::function<void()> copy;
};

// An attribute as a plane over the target: its value at pixel position (ox + fx, oy + fy)
// of its triangle is p0 + dx·fx + dy·fy.
struct Plane {
    float p0 = 0;
    float dx = 0;
    float dy = 0;
    float at(float fx, float fy) const { return p0 + dx * fx + dy * fy; }
};

// Subpixel precision of vertex positions: 1/256 of a pixel.
inline constexpr int kSubpixelBits = 8;
inline constexpr int kSubpixels = 1 << kSubpixelBits;

// A triangle ready for scan conversion.
struct Triangle {
    // Edge functions over positions in subpixels: e = a·X + b·Y + c, with the fill rule's
    // bias folded into c, so that a sample is inside when every e >= 0.
    std::int64_t a[3];
    std::int64_t b[3];
    std::int64_t c[3];
    int minX, minY, maxX, maxY;  // pixels whose samples may be covered, inclusive
    int ox, oy;                  // the planes' origin, in pixels
    Plane z;                     // depth, linear in the target
    Plane invW;                  // 1/w, used when perspective
    Plane varyings[kMaxVaryings];  // v/w when perspective, else v; flat ones have dx = dy = 0
    std::uint32_t draw;          // index of the draw in the pass
    std::uint32_t instanceId;
    bool perspective;
    bool frontFacing;
};

// The triangles of a pass in the order they are drawn, in the parts that set-up made them
// in, so that they are never copied into one array. The parts keep their room from pass
// to pass.
class TriangleParts {
public:
    void clear() { used_ = 0; }
    // count more parts after those in use, each empty; valid until the next call.
    std::vector<Triangle>* add(std::size_t count) {
        if (parts_.size() < used_ + count) parts_.resize(used_ + count);
        for (std::size_t i = used_; i < used_ + count; ++i) parts_[i].clear();
        used_ += count;
        return parts_.data() + (used_ - count);
    }
    const std::vector<Triangle>* begin() const { return parts_.data(); }
    const std::vector<Triangle>* end() const { return parts_.data() + used_; }
    std::size_t triangleCount() const {
        std::size_t n = 0;
        for (const auto& part : *this) n += part.size();
        return n;
    }

private:
    std::vector<std::vector<Triangle>> parts_;
    std::size_t used_ = 0;
};

// Runs the vertex stage of draw and appends its visible triangles, in primitive order,
// for a target of width × height pixels. drawIndex goes into each triangle.
void setUpDraw(const DrawCommand& draw, std::uint32_t drawIndex, int width, int height, WorkerPool& pool,
               TriangleParts& out);
// The same into one array.
void setUpDraw(const DrawCommand& draw, std::uint32_t drawIndex, int width, int height, WorkerPool& pool,
               std::vector<Triangle>& out);

// Executes a recorded render pass whose descriptor and draws were validated when they
// were recorded.
void executeRenderPass(const RenderPassRecord& pass, WorkerPool& pool);

}  // namespace platform::gpu
