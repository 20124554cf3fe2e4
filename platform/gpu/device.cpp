#include "platform/gpu/device.h"

#include "platform/gpu/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include <sched.h>

namespace platform::gpu {

namespace {
std::atomic<bool> g_passesDraw{true};
}  // namespace

void setPassesDraw(bool on) { g_passesDraw.store(on, std::memory_order_relaxed); }
bool passesDraw() { return g_passesDraw.load(std::memory_order_relaxed); }

int usableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

std::shared_ptr<Device> Device::create(DeviceOptions options) {
    const int threads = options.threads > 0 ? options.threads : usableCores();
    return std::make_shared<Device>(threads);
}

Device::Device(int threads) : pool_(std::make_unique<WorkerPool>(threads)) {}

Device::~Device() = default;

int Device::threadCount() const { return pool_->threadCount(); }

void Device::failNext(Resource kind, int count) {
    pendingFaults_[static_cast<std::size_t>(kind)].fetch_add(std::max(count, 0));
}

bool Device::consumeFault(Resource kind) {
    std::atomic<int>& pending = pendingFaults_[static_cast<std::size_t>(kind)];
    int count = pending.load();
    while (count > 0)
        if (pending.compare_exchange_weak(count, count - 1)) return true;
    return false;
}

std::shared_ptr<CommandQueue> Device::makeCommandQueue(std::string label) {
    return std::make_shared<CommandQueue>(shared_from_this(), std::move(label));
}

std::shared_ptr<Buffer> Device::makeBuffer(const void* bytes, std::size_t length) {
    if (length == 0 || bytes == nullptr || consumeFault(Resource::buffer)) return nullptr;
    return std::make_shared<Buffer>(bytes, length);
}

std::shared_ptr<Buffer> Device::makeBuffer(std::size_t length) {
    if (length == 0 || consumeFault(Resource::buffer)) return nullptr;
    return std::make_shared<Buffer>(nullptr, length);
}

namespace {
bool usable(const TextureDescriptor& d) {
    if (d.pixelFormat == PixelFormat::invalid) return false;
    if (d.width < 1 || d.height < 1 || d.width > kMaxTextureSide || d.height > kMaxTextureSide) return false;
    if (d.sampleCount != 1 && d.sampleCount != 4) return false;
    if (d.mipLevelCount < 1 || d.mipLevelCount > TextureDescriptor::fullMipLevelCount(d.width, d.height))
        return false;
    const bool singleLevel = d.mipLevelCount == 1;
    if ((d.sampleCount == 4 || d.pixelFormat == PixelFormat::depth32Float) && !singleLevel) return false;
    return true;
}
}  // namespace

std::shared_ptr<Texture> Device::makeTexture(const TextureDescriptor& descriptor) {
    if (!usable(descriptor) || consumeFault(Resource::texture)) return nullptr;
    return std::make_shared<Texture>(descriptor);
}

std::shared_ptr<Sampler> Device::makeSampler(const SamplerDescriptor& descriptor) {
    return std::make_shared<Sampler>(descriptor);
}

std::shared_ptr<DepthStencilState> Device::makeDepthStencilState(const DepthStencilDescriptor& descriptor) {
    return std::make_shared<DepthStencilState>(descriptor);
}

std::shared_ptr<const ShaderLibrary> Device::makeLibrary(const ShaderCatalog& catalog) {
    if (consumeFault(Resource::library)) return nullptr;
    return std::make_shared<const ShaderLibrary>(catalog);
}

std::shared_ptr<RenderPipelineState> Device::makeRenderPipelineState(const RenderPipelineDescriptor& descriptor,
                                                                     std::string* error) {
    std::string problem = RenderPipelineState::validate(descriptor);
    if (problem.empty() && consumeFault(Resource::pipeline)) problem = "the device could not make the pipeline";
    if (!problem.empty()) {
        if (error) *error = std::move(problem);
        return nullptr;
    }
    return std::make_shared<RenderPipelineState>(descriptor);
}

std::shared_ptr<CommandBuffer> CommandQueue::makeCommandBuffer() {
    if (device_->consumeFault(Resource::commandBuffer)) return nullptr;
    return std::make_shared<CommandBuffer>(device_);
}

}  // namespace platform::gpu
