// Copies between buffers and textures, and mip generation. Each copy is checked when it
// is recorded; one that would reach outside a resource is reported and not recorded.

#include "platform/gpu/command_buffer.h"
#include "platform/gpu/device.h"
#include "platform/gpu/mipmaps.h"
#include "platform/gpu/raster.h"
#include "platform/gpu/texel.h"
#include "platform/gpu/worker_pool.h"

#include <algorithm>
#include <cstring>

namespace platform::gpu {

namespace {

bool regionInside(const Texture& t, int level, const Region& r) {
    if (level < 0 || level >= t.mipLevelCount()) return false;
    return r.x >= 0 && r.y >= 0 && r.width > 0 && r.height > 0 && r.width <= t.width(level) - r.x &&
           r.height <= t.height(level) - r.y;
}

// Whether rows of rowLength bytes, bytesPerRow apart, fit in a buffer from offset on.
bool rowsFit(std::size_t bufferLength, std::size_t offset, std::size_t bytesPerRow, std::size_t rowLength,
             int rows) {
    if (bytesPerRow < rowLength || offset > bufferLength) return false;
    const std::size_t available = bufferLength - offset;
    const std::size_t rowsBefore = std::size_t(rows - 1);
    if (bytesPerRow != 0 && rowsBefore > (available / bytesPerRow)) return false;
    return rowsBefore * bytesPerRow + rowLength <= available;
}

}  // namespace

BlitEncoder::BlitEncoder(CommandBuffer& owner) : owner_(owner) {}

bool BlitEncoder::recording() const { return !ended_ && owner_.openEncoder_ == this; }

void BlitEncoder::record(std::function<void()> work) {
    auto w = std::make_unique<RecordedWork>();
    w->copy = std::move(work);
    owner_.work_.push_back(std::move(w));
}

void BlitEncoder::copyFromTexture(std::shared_ptr<const Texture> texture, int level, const Region& region,
                                  std::shared_ptr<Buffer> buffer, std::size_t offset, std::size_t bytesPerRow,
                                  std::size_t bytesPerImage) {
    if (!recording()) return;
    if (!texture || !buffer || texture->sampleCount() != 1 || !regionInside(*texture, level, region))
        return owner_.report("a copy from outside a texture");
    const std::size_t rowLength = std::size_t(region.width) * bytesPerPixel(texture->pixelFormat());
    if (!rowsFit(buffer->length(), offset, bytesPerRow, rowLength, region.height) ||
        (bytesPerImage != 0 && bytesPerImage / bytesPerRow < std::size_t(region.height)))
        return owner_.report("a copy into a buffer too small for it");
    record([texture, level, region, buffer, offset, bytesPerRow] {
        texture->getBytes(buffer->contents() + offset, bytesPerRow, region, level);
    });
}

void BlitEncoder::copyFromBuffer(std::shared_ptr<const Buffer> buffer, std::size_t offset, std::size_t bytesPerRow,
                                 std::shared_ptr<Texture> texture, int level, const Region& region) {
    if (!recording()) return;
    if (!texture || !buffer || texture->sampleCount() != 1 || !regionInside(*texture, level, region))
        return owner_.report("a copy to outside a texture");
    const std::size_t rowLength = std::size_t(region.width) * bytesPerPixel(texture->pixelFormat());
    if (!rowsFit(buffer->length(), offset, bytesPerRow, rowLength, region.height))
        return owner_.report("a copy from a buffer too small for it");
    record([buffer, offset, bytesPerRow, texture, level, region] {
        texture->replaceRegion(region, level, buffer->contents() + offset, bytesPerRow);
    });
}

void BlitEncoder::copyFromTexture(std::shared_ptr<const Texture> source, int sourceLevel, const Region& region,
                                  std::shared_ptr<Texture> destination, int destinationLevel, int x, int y) {
    if (!recording()) return;
    const Region target{x, y, region.width, region.height};
    if (!source || !destination || source->pixelFormat() != destination->pixelFormat() ||
        source->sampleCount() != 1 || destination->sampleCount() != 1 ||
        !regionInside(*source, sourceLevel, region) || !regionInside(*destination, destinationLevel, target))
        return owner_.report("a copy between textures that do not fit");
    record([source, sourceLevel, region, destination, destinationLevel, target] {
        std::vector<std::uint8_t> rows(std::size_t(region.width) * bytesPerPixel(source->pixelFormat()) *
                                       std::size_t(region.height));
        const std::size_t row = std::size_t(region.width) * bytesPerPixel(source->pixelFormat());
        source->getBytes(rows.data(), row, region, sourceLevel);
        destination->replaceRegion(target, destinationLevel, rows.data(), row);
    });
}

void BlitEncoder::copyFromBuffer(std::shared_ptr<const Buffer> source, std::size_t sourceOffset,
                                 std::shared_ptr<Buffer> destination, std::size_t destinationOffset,
                                 std::size_t length) {
    if (!recording()) return;
    if (!source || !destination || sourceOffset > source->length() || length > source->length() - sourceOffset ||
        destinationOffset > destination->length() || length > destination->length() - destinationOffset)
        return owner_.report("a copy between buffers that do not fit");
    record([source, sourceOffset, destination, destinationOffset, length] {
        std::memmove(destination->contents() + destinationOffset, source->contents() + sourceOffset, length);
    });
}

void BlitEncoder::generateMipmaps(std::shared_ptr<Texture> texture) {
    if (!recording()) return;
    if (!texture || texture->sampleCount() != 1 || !isColorFormat(texture->pixelFormat()))
        return owner_.report("mipmaps asked of a texture that cannot have them");
    WorkerPool* pool = &owner_.device_->pool();
    record([texture, pool] { generateMipLevels(*texture, *pool); });
}

void BlitEncoder::endEncoding() {
    if (owner_.openEncoder_ == this) owner_.openEncoder_ = nullptr;
    ended_ = true;
}

}  // namespace platform::gpu
