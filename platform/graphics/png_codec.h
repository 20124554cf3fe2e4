#pragma once

// PNG files through libpng, so that a test or a person can look at a picture.
//
// Writing un-premultiplies each pixel (colour × 255 / alpha, rounded; fully transparent
// pixels are written as transparent black), stores RGB when every pixel is opaque and
// RGBA otherwise, and marks the file as sRGB when the image is in sRGB. The same image
// always gives the same bytes.
//
// Reading accepts every PNG colour type and bit depth (palettes, gray, 16-bit, tRNS
// transparency, interlacing), converts to 8-bit sRGB and premultiplies (colour × alpha /
// 255, rounded). The result is tagged sRGB. Writing an image and reading it back gives
// the same pixels exactly.
//
// Bad input gives a failure with a sentence saying why, never a crash: a wrong
// signature, a corrupt or truncated stream, or a size outside 1...16384 a side (checked
// from the header before any pixel memory is taken). Memory that cannot be had for a
// picture of a size within those bounds, here or in libpng, throws std::bad_alloc, as
// any allocation does.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "platform/graphics/image.h"
#include "platform/runtime/result.h"

namespace platform {

Result<std::vector<uint8_t>> encodePNG(const Image& image);
Result<Image> decodePNG(std::span<const uint8_t> data);

// Writes through a temporary file in the same folder, renamed over the target.
Result<void> writePNG(const Image& image, const std::filesystem::path& file);
Result<Image> readPNG(const std::filesystem::path& file);

}  // namespace platform
