#pragma once

// The GPU device: it makes every resource, owns the threads the rasterizer runs on, and
// carries the fault injection that tests use to make the next resource of a kind fail.
//
// Every make function returns null when the resource cannot be made: when a fault was
// injected for its kind, or when its description is unusable (a buffer of length 0, a
// texture side outside 1 ... 16384, a sample count other than 1 or 4, a multisampled
// texture with mip levels or a depth texture with them, too many mip levels, a pipeline
// descriptor that validate() refuses). Nothing is logged; makeRenderPipelineState can
// say why through its error argument.
//
// A device and everything it makes are used from one thread at a time (the main thread
// in the program); the device spreads the work of a commit over its own threads. The
// make functions and command queues may also be used from another thread at the same
// time, for resources that thread alone uses (pictures prepared on a capture queue):
// the fault counters are atomic, and commits from different threads run one after the
// other.

#include "platform/gpu/buffer.h"
#include "platform/gpu/command_buffer.h"
#include "platform/gpu/pipeline.h"
#include "platform/gpu/shader.h"
#include "platform/gpu/texture.h"
#include "platform/gpu/types.h"

#include <array>
#include <atomic>
#include <memory>
#include <span>
#include <string>

namespace platform::gpu {

class WorkerPool;
class CommandQueue;

struct DeviceOptions {
    // Threads that execute commits, the committing one included; 0: one per core the
    // process may run on (usableCores).
    int threads = 0;
};

// The cores this process may run on: those of its affinity mask (a container or taskset
// may allow fewer than the machine has), at least 1.
int usableCores();

// Whether committed render passes draw (on by default). Off, a pass completes as it
// would, handlers and all, without touching its attachments, which keep what they held:
// for runs that watch what the program does rather than what it shows (long sweeps of
// the simulated desktop). Blits still copy. Any thread; a commit reads it once.
void setPassesDraw(bool on);
bool passesDraw();

class Device : public std::enable_shared_from_this<Device> {
public:
    static std::shared_ptr<Device> create(DeviceOptions options = {});
    ~Device();

    std::shared_ptr<CommandQueue> makeCommandQueue(std::string label);
    // A buffer holding a copy of length bytes.
    std::shared_ptr<Buffer> makeBuffer(const void* bytes, std::size_t length);
    // A zero-filled buffer of length bytes.
    std::shared_ptr<Buffer> makeBuffer(std::size_t length);
    // A buffer holding a copy of the records, as they lie in memory.
    template <class T>
    std::shared_ptr<Buffer> makeBuffer(std::span<const T> records) {
        return makeBuffer(static_cast<const void*>(records.data()), records.size_bytes());
    }
    std::shared_ptr<Texture> makeTexture(const TextureDescriptor& descriptor);
    std::shared_ptr<Sampler> makeSampler(const SamplerDescriptor& descriptor);
    std::shared_ptr<DepthStencilState> makeDepthStencilState(const DepthStencilDescriptor& descriptor);
    std::shared_ptr<const ShaderLibrary> makeLibrary(const ShaderCatalog& catalog);
    std::shared_ptr<RenderPipelineState> makeRenderPipelineState(const RenderPipelineDescriptor& descriptor,
                                                                 std::string* error = nullptr);

    // Makes the next count creations of a kind fail (they add up with earlier calls).
    void failNext(Resource kind, int count = 1);
    // Takes one pending failure of kind; true when the creation at hand must fail.
    bool consumeFault(Resource kind);

    int threadCount() const;
    WorkerPool& pool() { return *pool_; }

    explicit Device(int threads);

private:
    std::unique_ptr<WorkerPool> pool_;
    std::array<std::atomic<int>, 6> pendingFaults_{};
};

class CommandQueue {
public:
    CommandQueue(std::shared_ptr<Device> device, std::string label)
        : device_(std::move(device)), label_(std::move(label)) {}
    const std::string& label() const { return label_; }
    const std::shared_ptr<Device>& device() const { return device_; }
    // A new command buffer; null when a fault was injected for command buffers.
    std::shared_ptr<CommandBuffer> makeCommandBuffer();

private:
    std::shared_ptr<Device> device_;
    std::string label_;
};

}  // namespace platform::gpu
