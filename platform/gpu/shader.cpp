#include "platform/gpu/shader.h"

#include <algorithm>

namespace platform::gpu {

namespace {
template <class Slots>
bool inSlots(const Slots& slots, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < slots.size();
}
}  // namespace

void StageResources::setBuffer(int index, std::shared_ptr<const Buffer> buffer, std::size_t offset) {
    if (inSlots(buffers_, index)) buffers_[static_cast<std::size_t>(index)] = {std::move(buffer), offset};
}

void StageResources::setTexture(int index, std::shared_ptr<const Texture> texture) {
    if (inSlots(textures_, index)) textures_[static_cast<std::size_t>(index)] = std::move(texture);
}

void StageResources::setSampler(int index, std::shared_ptr<const Sampler> sampler) {
    if (inSlots(samplers_, index)) samplers_[static_cast<std::size_t>(index)] = std::move(sampler);
}

bool StageResources::usesTexture(const Texture* t) const {
    return t != nullptr &&
           std::any_of(textures_.begin(), textures_.end(), [t](const auto& p) { return p.get() == t; });
}

ShaderFunction::ShaderFunction(std::string name, VertexFunction fn, VaryingLayout layout)
    : name_(std::move(name)), stage_(ShaderStage::vertex), layout_(layout), vertex_(std::move(fn)) {
    layout_.count = std::clamp(layout_.count, 0, kMaxVaryings);
}

ShaderFunction::ShaderFunction(std::string name, FragmentFunction fn, SpanFunction span)
    : name_(std::move(name)), stage_(ShaderStage::fragment), fragment_(std::move(fn)), span_(span) {}

void ShaderCatalog::addVertexFunction(std::string name, VaryingLayout layout, VertexFunction fn) {
    auto f = std::make_shared<const ShaderFunction>(name, std::move(fn), layout);
    functions_[std::move(name)] = std::move(f);
}

void ShaderCatalog::addFragmentFunction(std::string name, FragmentFunction fn, SpanFunction span) {
    auto f = std::make_shared<const ShaderFunction>(name, std::move(fn), span);
    functions_[std::move(name)] = std::move(f);
}

std::shared_ptr<const ShaderFunction> ShaderLibrary::function(std::string_view name) const {
    const auto it = functions_.find(name);
    return it == functions_.end() ? nullptr : it->second;
}

}  // namespace platform::gpu
