#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/image.h"
#include "platform/graphics/path.h"

namespace platform::testing {

inline BitmapContext makeContext(int width, int height) {
    auto context = BitmapContext::create(width, height, ColorSpace::sRGB());
    if (!context) throw std::runtime_error("test context could not be made");
    return std::move(*context);
}

// A context that fills and strokes in opaque white, so that alpha is coverage.
inline BitmapContext whiteContext(int width, int height) {
    BitmapContext context = makeContext(width, height);
    context.setFillColor(Color::white());
    context.setStrokeColor(Color::white());
    return context;
}

// The closed polygon through the points.
inline Path polygon(std::initializer_list<Point> points) {
    Path p;
    p.moveTo(*points.begin());
    for (auto it = points.begin() + 1; it != points.end(); ++it) p.lineTo(*it);
    p.closeSubpath();
    return p;
}

// An image whose pixel (x, y), y from the top, is f(x, y), made premultiplied.
inline Image makeImage(int width, int height, const std::function<Pixel(int, int)>& f,
                       ColorSpace space = ColorSpace::sRGB()) {
    std::vector<uint32_t> words;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) words.push_back(f(x, y).word());
    return *Image::adopt(width, height, std::move(words), std::move(space));
}

inline Pixel opaqueGray(uint8_t v) { return {v, v, v, 255}; }

// A deterministic pseudo-random premultiplied pixel.
inline Pixel noisePixel(uint32_t seed) {
    uint32_t h = seed * 2654435761u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    const uint8_t a = uint8_t(h >> 24);
    const auto channel = [&](int shift) { return uint8_t(a == 0 ? 0 : ((h >> shift) & 0xFF) % (a + 1)); };
    return {channel(0), channel(8), channel(16), a};
}

}  // namespace platform::testing
