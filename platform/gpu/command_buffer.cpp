#include "platform/gpu/command_buffer.h"

#include "platform/gpu/device.h"
#include "platform/gpu/raster.h"

namespace platform::gpu {

namespace {
constexpr std::uint64_t kMaxInvocationsPerDraw = std::uint64_t(1) << 20;
}

// ---- RenderEncoder

RenderEncoder::RenderEncoder(CommandBuffer& owner, RenderPassRecord& pass) : owner_(owner), pass_(pass) {}
RenderEncoder::~RenderEncoder() = default;

bool RenderEncoder::recording() const { return !ended_ && owner_.openEncoder_ == this; }

void RenderEncoder::setRenderPipelineState(std::shared_ptr<const RenderPipelineState> pipeline) {
    pipeline_ = std::move(pipeline);
    state_.reset();
}

void RenderEncoder::setDepthStencilState(std::shared_ptr<const DepthStencilState> state) {
    depthStencil_ = std::move(state);
    state_.reset();
}

void RenderEncoder::setCullMode(CullMode mode) {
    cullMode_ = mode;
    state_.reset();
}

void RenderEncoder::setFrontFacingWinding(Winding winding) {
    winding_ = winding;
    state_.reset();
}

void RenderEncoder::setVertexBytes(const void* bytes, std::size_t length, int index) {
    if (bytes == nullptr || length == 0) return;
    setVertexBuffer(std::make_shared<const Buffer>(bytes, length), 0, index);
}

void RenderEncoder::setFragmentBytes(const void* bytes, std::size_t length, int index) {
    if (bytes == nullptr || length == 0) return;
    setFragmentBuffer(std::make_shared<const Buffer>(bytes, length), 0, index);
}

void RenderEncoder::setVertexBuffer(std::shared_ptr<const Buffer> buffer, std::size_t offset, int index) {
    vertex_.setBuffer(index, std::move(buffer), offset);
    vertexSnapshot_.reset();
    state_.reset();
}

void RenderEncoder::setFragmentBuffer(std::shared_ptr<const Buffer> buffer, std::size_t offset, int index) {
    fragment_.setBuffer(index, std::move(buffer), offset);
    fragmentSnapshot_.reset();
    state_.reset();
}

void RenderEncoder::setVertexTexture(std::shared_ptr<const Texture> texture, int index) {
    vertex_.setTexture(index, std::move(texture));
    vertexSnapshot_.reset();
    state_.reset();
}

void RenderEncoder::setFragmentTexture(std::shared_ptr<const Texture> texture, int index) {
    fragment_.setTexture(index, std::move(texture));
    fragmentSnapshot_.reset();
    state_.reset();
}

void RenderEncoder::setVertexSampler(std::shared_ptr<const Sampler> sampler, int index) {
    vertex_.setSampler(index, std::move(sampler));
    vertexSnapshot_.reset();
    state_.reset();
}

void RenderEncoder::setFragmentSampler(std::shared_ptr<const Sampler> sampler, int index) {
    fragment_.setSampler(index, std::move(sampler));
    fragmentSnapshot_.reset();
    state_.reset();
}

std::shared_ptr<const DrawState> RenderEncoder::currentState() {
    if (state_) return state_;
    if (!vertexSnapshot_) vertexSnapshot_ = std::make_shared<const StageResources>(vertex_);
    if (!fragmentSnapshot_) fragmentSnapshot_ = std::make_shared<const StageResources>(fragment_);
    auto s = std::make_shared<DrawState>();
    s->pipeline = pipeline_;
    s->depthStencil = depthStencil_;
    s->vertexResources = vertexSnapshot_;
    s->fragmentResources = fragmentSnapshot_;
    s->cullMode = cullMode_;
    s->frontFacingWinding = winding_;
    state_ = std::move(s);
    return state_;
}

std::string RenderEncoder::drawProblem(std::uint64_t invocations) const {
    if (!pipeline_) return "a draw without a render pipeline";
    const RenderPipelineDescriptor& p = pipeline_->descriptor();
    const RenderPassDescriptor& pass = pass_.descriptor;
    const Texture& color = *pass.colorAttachment.texture;
    if (p.colorAttachment.pixelFormat != color.pixelFormat() || p.rasterSampleCount != color.sampleCount())
        return "a draw whose pipeline was made for another colour target";
    const PixelFormat depth = pass.depthAttachment.texture ? PixelFormat::depth32Float : PixelFormat::invalid;
    if (p.depthAttachmentPixelFormat != depth) return "a draw whose pipeline was made for another depth target";
    for (const Texture* t : {pass.colorAttachment.texture.get(), pass.depthAttachment.texture.get(),
                             pass.colorAttachment.resolveTexture.get()})
        if (vertex_.usesTexture(t) || fragment_.usesTexture(t))
            return "a draw that reads a texture its own pass draws into";
    if (invocations > kMaxInvocationsPerDraw) return "a draw of too many vertices";
    return {};
}

void RenderEncoder::drawPrimitives(PrimitiveType type, std::uint32_t vertexStart, std::uint32_t vertexCount,
                                   std::uint32_t instanceCount, std::uint32_t baseInstance) {
    if (!recording() || vertexCount == 0 || instanceCount == 0) return;
    const std::uint64_t invocations = std::uint64_t(vertexCount) * instanceCount;
    if (auto problem = drawProblem(invocations); !problem.empty()) return owner_.report(std::move(problem));
    DrawCommand d;
    d.state = currentState();
    d.primitive = type;
    d.vertexStart = vertexStart;
    d.vertexCount = vertexCount;
    d.instanceCount = instanceCount;
    d.baseInstance = baseInstance;
    pass_.draws.push_back(std::move(d));
}

void RenderEncoder::endEncoding() {
    if (owner_.openEncoder_ == this) owner_.openEncoder_ = nullptr;
    ended_ = true;
}

// ---- CommandBuffer

CommandBuffer::CommandBuffer(std::shared_ptr<Device> device) : device_(std::move(device)) {}
CommandBuffer::~CommandBuffer() = default;

void CommandBuffer::report(std::string problem) {
    if (error_.empty()) error_ = std::move(problem);
}

bool CommandBuffer::canOpenEncoder() {
    if (committed_) return false;
    if (openEncoder_ != nullptr) {
        report("an encoder was asked for while another was open");
        return false;
    }
    return !device_->consumeFault(Resource::encoder);
}

std::string CommandBuffer::passProblem(const RenderPassDescriptor& d) {
    const RenderPassColorAttachment& c = d.colorAttachment;
    if (!c.texture) return "a render pass without a colour texture";
    const Texture& t = *c.texture;
    if (!isColorFormat(t.pixelFormat()) || !hasUsage(t.usage(), TextureUsage::renderTarget))
        return "a colour attachment that cannot be drawn into";
    if (c.level < 0 || c.level >= t.mipLevelCount()) return "a colour attachment level that does not exist";
    if (const auto& depth = d.depthAttachment.texture) {
        if (depth->pixelFormat() != PixelFormat::depth32Float || !hasUsage(depth->usage(), TextureUsage::renderTarget))
            return "a depth attachment that cannot be drawn into";
        if (depth->width() != t.width(c.level) || depth->height() != t.height(c.level) ||
            depth->sampleCount() != t.sampleCount())
            return "a depth attachment that does not match the colour attachment";
    }
    if (c.storeAction == StoreAction::multisampleResolve || c.storeAction == StoreAction::storeAndMultisampleResolve) {
        const auto& r = c.resolveTexture;
        if (t.sampleCount() == 1 || !r || r->sampleCount() != 1 || r->pixelFormat() != t.pixelFormat() ||
            r->width() != t.width() || r->height() != t.height())
            return "a resolve without a matching single-sample texture";
    }
    return {};
}

RenderEncoder* CommandBuffer::makeRenderEncoder(const RenderPassDescriptor& descriptor) {
    if (!canOpenEncoder()) return nullptr;
    if (auto problem = passProblem(descriptor); !problem.empty()) {
        report(std::move(problem));
        return nullptr;
    }
    auto work = std::make_unique<RecordedWork>();
    work->pass = std::make_unique<RenderPassRecord>();
    work->pass->descriptor = descriptor;
    renderEncoders_.push_back(std::make_unique<RenderEncoder>(*this, *work->pass));
    work_.push_back(std::move(work));
    openEncoder_ = renderEncoders_.back().get();
    return renderEncoders_.back().get();
}

BlitEncoder* CommandBuffer::makeBlitEncoder() {
    if (!canOpenEncoder()) return nullptr;
    blitEncoders_.push_back(std::make_unique<BlitEncoder>(*this));
    openEncoder_ = blitEncoders_.back().get();
    return blitEncoders_.back().get();
}

void CommandBuffer::addCompletedHandler(CompletedHandler handler) {
    if (handler) handlers_.push_back(std::move(handler));
}

void CommandBuffer::commit() {
    if (committed_) return;
    committed_ = true;
    if (openEncoder_ != nullptr) {
        report("committed with an encoder still open");
        openEncoder_ = nullptr;
    }
    const bool draw = passesDraw();
    for (const auto& w : work_) {
        if (w->pass && draw) executeRenderPass(*w->pass, device_->pool());
        if (w->copy) w->copy();
    }
    work_.clear();
    status_ = error_.empty() ? CommandBufferStatus::completed : CommandBufferStatus::error;
    auto handlers = std::move(handlers_);
    for (auto& h : handlers) h(*this);
}

}  // namespace platform::gpu
