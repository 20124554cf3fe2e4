#pragma once

// Images: immutable pictures in the pixel format of pixel.h, with a colour space.
//
// An Image is a cheap handle: copies share the same pixels, which never change once
// made, so an image can be passed between threads freely. Rows are stored top row
// first and packed (bytesPerRow is width × 4).
//
// Creation is fallible: a width or height of 0, or more than maxSide (16384), gives no
// image, and so does a byte buffer too short for the rows it claims to hold. Memory that
// cannot be had for an image of a valid size is want of memory, not a wrong size: it
// throws std::bad_alloc, as any allocation does. Colour bytes
// above their alpha are lowered to it on creation, so every image is soundly
// premultiplied and drawing it can never overflow a component.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/graphics/color_space.h"
#include "platform/graphics/pixel.h"

namespace platform {

class Image {
public:
    static constexpr int maxSide = 16384;
    static constexpr int bitsPerComponent = 8;
    static constexpr int bitsPerPixel = 32;

    // True when width and height are both in 1...maxSide.
    static bool isValidSize(int width, int height);

    // Copies height rows of width pixels from bytes, each row starting bytesPerRow after
    // the previous one (bytesPerRow ≥ width × 4). The bytes are B, G, R, A, premultiplied.
    static std::optional<Image> create(int width, int height, std::span<const uint8_t> bytes,
                                       size_t bytesPerRow, ColorSpace space);
    // Takes packed words (width × height of them) without copying.
    static std::optional<Image> adopt(int width, int height, std::vector<uint32_t> words,
                                      ColorSpace space);
    // An image of one colour.
    static std::optional<Image> filled(int width, int height, const Color& color, ColorSpace space);

    int width() const { return width_; }
    int height() const { return height_; }
    size_t bytesPerRow() const { return size_t(width_) * 4; }
    const ColorSpace& colorSpace() const { return space_; }

    // All rows, top row first.
    std::span<const uint8_t> bytes() const;
    std::span<const uint32_t> words() const { return {pixels_->data(), pixels_->size()}; }
    // The pixels of row y (0 is the top row).
    const uint32_t* row(int y) const {
        assert(y >= 0 && y < height_);
        return pixels_->data() + size_t(y) * size_t(width_);
    }
    // The pixel at column x of row y (0 is the top row); both must be in range.
    Pixel pixel(int x, int y) const {
        assert(x >= 0 && x < width_);
        return Pixel::fromWord(row(y)[x]);
    }

    // The part of the image inside the rectangle (in pixels, origin at the top-left),
    // cut to the image's bounds; none when nothing of the image is inside. Fractional
    // edges are widened to whole pixels.
    std::optional<Image> cropped(const Rect& r) const;
    // The same pixels tagged with another colour space; shares the pixels.
    Image withColorSpace(ColorSpace space) const;
    // Same size and the same bytes, whatever the colour spaces.
    bool hasSamePixels(const Image& other) const;
    // Both handles share one pixel buffer.
    bool sharesPixelsWith(const Image& other) const { return pixels_ == other.pixels_; }

private:
    friend class BitmapContext;
    using Pixels = std::vector<uint32_t>;
    Image(int width, int height, std::shared_ptr<const Pixels> pixels, ColorSpace space)
        : width_(width), height_(height), pixels_(std::move(pixels)), space_(std::move(space)) {}

    int width_;
    int height_;
    std::shared_ptr<const Pixels> pixels_;
    ColorSpace space_;
};

}  // namespace platform
