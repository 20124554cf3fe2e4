#pragma once

// Reading and writing 8-bit RGBA PNG files for the benchmark's frame comparison.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace furlpane::bench {

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // top row first
};

bool writePng(const std::string& path, const RgbaImage& image);
std::optional<RgbaImage> readPng(const std::string& path);

// How far two images of the same size lie apart.
struct ImageDifference {
    double meanAbsolute = 0;       // per channel, 0 ... 255
    int maxAbsolute = 0;
    double shareAbove8 = 0;        // of pixels with a channel differing by more than 8
};

std::optional<ImageDifference> compareImages(const RgbaImage& a, const RgbaImage& b);

}  // namespace furlpane::bench
