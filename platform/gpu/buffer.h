#pragma once

// A block of memory shared by the processor and the rasterizer. Buffers are made by a
// Device (copying bytes, or zero-filled); a length of 0 is refused there. The contents
// are 16-byte aligned, so records of float4 and float4x4 fields can be read in place.
//
// While a committed command buffer executes, the rasterizer reads bound buffers and blit
// copies write destination buffers; the processor must not touch them meanwhile (commit
// is synchronous, so this only matters inside completion handlers).

#include <cstddef>
#include <memory>
#include <span>

namespace platform::gpu {

class Buffer {
public:
    // Use Device::makeBuffer; this is public only for make_shared.
    Buffer(const void* bytes, std::size_t length);

    std::size_t length() const { return length_; }
    std::byte* contents() { return data_.get(); }
    const std::byte* contents() const { return data_.get(); }
    std::span<std::byte> bytes() { return {data_.get(), length_}; }
    std::span<const std::byte> bytes() const { return {data_.get(), length_}; }

private:
    struct AlignedDelete {
        void operator()(std::byte* p) const;
    };
    std::unique_ptr<std::byte[], AlignedDelete> data_;
    std::size_t length_;
};

}  // namespace platform::gpu
