#include "platform/graphics/image.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {

bool Image::isValidSize(int width, int height) {
    return width >= 1 && height >= 1 && width <= maxSide && height <= maxSide;
}

std::optional<Image> Image::create(int width, int height, std::span<const uint8_t> bytes,
                                   size_t bytesPerRow, ColorSpace space) {
    if (!isValidSize(width, height)) return std::nullopt;
    const size_t rowBytes = size_t(width) * 4;
    if (bytesPerRow < rowBytes) return std::nullopt;
    // The last row need not be padded to the full stride. Divided rather than
    // multiplied, so that an absurd stride cannot wrap around.
    if (bytes.size() < rowBytes) return std::nullopt;
    if (height > 1 && bytesPerRow > (bytes.size() - rowBytes) / size_t(height - 1)) return std::nullopt;
    std::vector<uint32_t> words(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(words.data() + size_t(y) * size_t(width), bytes.data() + size_t(y) * bytesPerRow,
                    rowBytes);
    return adopt(width, height, std::move(words), std::move(space));
}

std::optional<Image> Image::adopt(int width, int height, std::vector<uint32_t> words,
                                  ColorSpace space) {
    if (!isValidSize(width, height)) return std::nullopt;
    if (words.size() != size_t(width) * size_t(height)) return std::nullopt;
    for (uint32_t& w : words) w = clampedToAlpha(w);
    auto pixels = std::make_shared<const Pixels>(std::move(words));
    return Image(width, height, std::move(pixels), std::move(space));
}

std::optional<Image> Image::filled(int width, int height, const Color& color, ColorSpace space) {
    if (!isValidSize(width, height)) return std::nullopt;
    std::vector<uint32_t> words(size_t(width) * size_t(height), premultipliedWord(color));
    return adopt(width, height, std::move(words), std::move(space));
}

std::span<const uint8_t> Image::bytes() const {
    return {reinterpret_cast<const uint8_t*>(pixels_->data()), pixels_->size() * 4};
}

std::optional<Image> Image::cropped(const Rect& r) const {
    const Rect part = r.integral().intersection(Rect(0, 0, width_, height_));
    if (part.isNull() || part.isEmpty()) return std::nullopt;
    const int x0 = int(part.minX()), y0 = int(part.minY()), w = int(part.width()), h = int(part.height());
    if (x0 == 0 && y0 == 0 && w == width_ && h == height_) return *this;
    std::vector<uint32_t> words;
    words.reserve(size_t(w) * size_t(h));
    for (int y = y0; y < y0 + h; ++y) words.insert(words.end(), row(y) + x0, row(y) + x0 + w);
    return Image(w, h, std::make_shared<const Pixels>(std::move(words)), space_);
}

Image Image::withColorSpace(ColorSpace space) const {
    return Image(width_, height_, pixels_, std::move(space));
}

bool Image::hasSamePixels(const Image& other) const {
    return width_ == other.width_ && height_ == other.height_ && *pixels_ == *other.pixels_;
}

}  // namespace platform
