#pragma once

// Command buffers and the encoders that record into them.
//
// A command buffer records passes: render passes through a RenderEncoder and copies
// through a BlitEncoder, one encoder open at a time. Nothing runs while recording.
// commit() executes the recorded work in order on the device's threads and returns when
// it is done: the status is then completed, or error when some recorded work was invalid
// (that work was skipped, the rest ran, error() says what went wrong first). The
// completed handlers run on the committing thread, in the order they were added, before
// commit returns. waitUntilCompleted() therefore never blocks.
//
// Encoders belong to their command buffer and stay valid as long as it lives; once
// ended (or once another encoder is asked for, or commit is called) they record nothing
// more. makeRenderEncoder and makeBlitEncoder give null when the device's fault
// injection says so, when another encoder is still open, after commit, or (render) when
// the pass descriptor is unusable: no colour texture or one that is not a render target,
// attachments of different sizes or sample counts, a resolve without a suitable
// single-sample texture of the same format and size.

#include "platform/gpu/pipeline.h"
#include "platform/gpu/render_pass.h"
#include "platform/gpu/shader.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace platform::gpu {

class CommandBuffer;
class Device;
struct DrawState;
struct RenderPassRecord;
struct RecordedWork;

class RenderEncoder {
public:
    void setRenderPipelineState(std::shared_ptr<const RenderPipelineState> pipeline);
    void setDepthStencilState(std::shared_ptr<const DepthStencilState> state);
    void setCullMode(CullMode mode);
    void setFrontFacingWinding(Winding winding);

    // Copies length bytes as the buffer at index of the stage (for small blocks).
    void setVertexBytes(const void* bytes, std::size_t length, int index);
    void setFragmentBytes(const void* bytes, std::size_t length, int index);
    template <class T>
    void setVertexValue(const T& value, int index) { setVertexBytes(&value, sizeof(T), index); }
    template <class T>
    void setFragmentValue(const T& value, int index) { setFragmentBytes(&value, sizeof(T), index); }
    // Copies an array of records (say, an effect's look values) as bytes; nothing for an empty one.
    template <class T>
    void setVertexArray(std::span<const T> values, int index) { setVertexBytes(values.data(), values.size_bytes(), index); }
    template <class T>
    void setFragmentArray(std::span<const T> values, int index) {
        setFragmentBytes(values.data(), values.size_bytes(), index);
    }

    void setVertexBuffer(std::shared_ptr<const Buffer> buffer, std::size_t offset, int index);
    void setFragmentBuffer(std::shared_ptr<const Buffer> buffer, std::size_t offset, int index);
    void setVertexTexture(std::shared_ptr<const Texture> texture, int index);
    void setFragmentTexture(std::shared_ptr<const Texture> texture, int index);
    void setVertexSampler(std::shared_ptr<const Sampler> sampler, int index);
    void setFragmentSampler(std::shared_ptr<const Sampler> sampler, int index);

    // Draws vertexCount vertices from vertexStart, instanceCount times. A draw without a
    // pipeline, with a pipeline made for another target, reading one of the pass's own
    // attachments as a texture, or of more than 2^20 vertex invocations is skipped and
    // reported when the command buffer is committed.
    void drawPrimitives(PrimitiveType type, std::uint32_t vertexStart, std::uint32_t vertexCount,
                        std::uint32_t instanceCount = 1, std::uint32_t baseInstance = 0);
    void endEncoding();

    RenderEncoder(CommandBuffer& owner, RenderPassRecord& pass);
    ~RenderEncoder();

private:
    friend class CommandBuffer;
    bool recording() const;
    std::string drawProblem(std::uint64_t invocations) const;
    std::shared_ptr<const DrawState> currentState();

    CommandBuffer& owner_;
    RenderPassRecord& pass_;
    bool ended_ = false;
    std::shared_ptr<const RenderPipelineState> pipeline_;
    std::shared_ptr<const DepthStencilState> depthStencil_;
    CullMode cullMode_ = CullMode::none;
    Winding winding_ = Winding::clockwise;
    StageResources vertex_;
    StageResources fragment_;
    std::shared_ptr<const DrawState> state_;  // null when something changed since the last draw
    std::shared_ptr<const StageResources> vertexSnapshot_;
    std::shared_ptr<const StageResources> fragmentSnapshot_;
};

class BlitEncoder {
public:
    // Copies region of a level into buffer at offset, rows bytesPerRow apart.
    // bytesPerImage, when not 0, must hold all rows. The texture must be single-sampled.
    void copyFromTexture(std::shared_ptr<const Texture> texture, int level, const Region& region,
                         std::shared_ptr<Buffer> buffer, std::size_t offset, std::size_t bytesPerRow,
                         std::size_t bytesPerImage = 0);
    // Copies rows from buffer into region of a level.
    void copyFromBuffer(std::shared_ptr<const Buffer> buffer, std::size_t offset, std::size_t bytesPerRow,
                        std::shared_ptr<Texture> texture, int level, const Region& region);
    // Copies region of one texture level into another texture of the same format at (x, y).
    void copyFromTexture(std::shared_ptr<const Texture> source, int sourceLevel, const Region& region,
                         std::shared_ptr<Texture> destination, int destinationLevel, int x, int y);
    void copyFromBuffer(std::shared_ptr<const Buffer> source, std::size_t sourceOffset,
                        std::shared_ptr<Buffer> destination, std::size_t destinationOffset, std::size_t length);
    // Fills every level below the first from the one above it, each texel the mean of
    // the 2 × 2 texels it covers (rounded to nearest). Where a side is odd its last row
    // or column has no part in the next level; a side of 1 pairs each texel with itself.
    // Does nothing for a texture of one level.
    void generateMipmaps(std::shared_ptr<Texture> texture);
    void endEncoding();

    explicit BlitEncoder(CommandBuffer& owner);

private:
    bool recording() const;
    void record(std::function<void()> work);

    CommandBuffer& owner_;
    bool ended_ = false;
};

class CommandBuffer {
public:
    using CompletedHandler = std::function<void(CommandBuffer&)>;

    explicit CommandBuffer(std::shared_ptr<Device> device);
    ~CommandBuffer();
    CommandBuffer(const CommandBuffer&) = delete;
    CommandBuffer& operator=(const CommandBuffer&) = delete;

    RenderEncoder* makeRenderEncoder(const RenderPassDescriptor& descriptor);
    BlitEncoder* makeBlitEncoder();
    void addCompletedHandler(CompletedHandler handler);
    void commit();
    void waitUntilCompleted() {}

    CommandBufferStatus status() const { return status_; }
    // The first problem found in the recorded work; empty when none.
    const std::string& error() const { return error_; }

private:
    friend class RenderEncoder;
    friend class BlitEncoder;
    void report(std::string problem);
    bool canOpenEncoder();
    static std::string passProblem(const RenderPassDescriptor& d);

    std::shared_ptr<Device> device_;
    std::vector<std::unique_ptr<RecordedWork>> work_;
    std::vector<std::unique_ptr<RenderEncoder>> renderEncoders_;
    std::vector<std::unique_ptr<BlitEncoder>> blitEncoders_;
    std::vector<CompletedHandler> handlers_;
    void* openEncoder_ = nullptr;
    bool committed_ = false;
    CommandBufferStatus status_ = CommandBufferStatus::notEnqueued;
    std::string error_;
};

}  // namespace platform::gpu
