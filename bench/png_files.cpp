#include "bench/png_files.h"

#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace furlpane::bench {

bool writePng(const std::string& path, const RgbaImage& image) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(), image.width * 4, nullptr) != 0;
}

std::optional<RgbaImage> readPng(const std::string& path) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return std::nullopt;
    png.format = PNG_FORMAT_RGBA;
    RgbaImage image;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), image.width * 4, nullptr)) {
        png_image_free(&png);
        return std::nullopt;
    }
    return image;
}

std::optional<ImageDifference> compareImages(const RgbaImage& a, const RgbaImage& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size() || a.pixels.empty())
        return std::nullopt;
    ImageDifference d;
    std::uint64_t sum = 0, above = 0;
    for (std::size_t i = 0; i < a.pixels.size(); i += 4) {
        int worst = 0;
        for (std::size_t c = 0; c < 4; ++c) {
            const int diff = std::abs(int(a.pixels[i + c]) - int(b.pixels[i + c]));
            sum += std::uint64_t(diff);
            worst = std::max(worst, diff);
        }
        d.maxAbsolute = std::max(d.maxAbsolute, worst);
        if (worst > 8) ++above;
    }
    d.meanAbsolute = double(sum) / double(a.pixels.size());
    d.shareAbove8 = double(above) / double(a.pixels.size() / 4);
    return d;
}

}  // namespace furlpane::bench
