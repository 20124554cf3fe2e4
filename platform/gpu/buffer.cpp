#include "platform/gpu/buffer.h"

#include <cstring>
#include <new>

namespace platform::gpu {

namespace {
constexpr std::align_val_t kAlignment{16};
}

void Buffer::AlignedDelete::operator()(std::byte* p) const {
    ::operator delete[](p, kAlignment);
}

Buffer::Buffer(const void* bytes, std::size_t length)
    : data_(static_cast<std::byte*>(::operator new[](length == 0 ? 1 : length, kAlignment))),
      length_(length) {
    if (bytes != nullptr && length != 0)
        std::memcpy(data_.get(), bytes, length);
    else
        std::memset(data_.get(), 0, length);
}

}  // namespace platform::gpu
