#include "platform/graphics/png_codec.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <new>
#include <system_error>

namespace platform {

namespace {

// Larger files cannot hold a picture we would accept anyway; refusing them early keeps
// a hostile file from taking all memory.
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t(1) << 31;

uint8_t unpremultiplied(uint32_t c, uint32_t a) { return uint8_t(std::min<uint32_t>(255, (c * 255 + a / 2) / a)); }
uint32_t premultiplied(uint32_t c, uint32_t a) { return (c * a + 127) / 255; }

std::string messageOf(const png_image& png) {
    return png.message[0] ? std::string(png.message) : std::string("unknown libpng failure");
}

// libpng and zlib say that an allocation failed in these words; a stream that asks for
// too much ("exceeds memory limits", "too many bytes") is bad input and says otherwise.
bool saysOutOfMemory(const png_image& png) {
    std::string message = png.message;
    std::transform(message.begin(), message.end(), message.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* words : {"out of memory", "insufficient memory", "memory allocation failed"}) {
        if (message.find(words) != std::string::npos) return true;
    }
    return false;
}

// A libpng call that failed for want of memory throws as any allocation does; any other
// failure is the stream's, said in a sentence.
Failure pngFailure(const png_image& png, const char* what) {
    if (saysOutOfMemory(png)) throw std::bad_alloc();
    return Failure{std::string(what) + ": " + messageOf(png)};
}

// Straight (un-premultiplied) B, G, R, A rows, or B, G, R when every pixel is opaque.
std::vector<uint8_t> straightPixels(const Image& image, bool opaque) {
    const size_t channels = opaque ? 3 : 4;
    std::vector<uint8_t> out(image.words().size() * channels);
    uint8_t* o = out.data();
    for (uint32_t w : image.words()) {
        const Pixel p = Pixel::fromWord(w);
        if (opaque) {
            *o++ = p.b, *o++ = p.g, *o++ = p.r;
        } else if (p.a == 0) {
            o[0] = o[1] = o[2] = o[3] = 0, o += 4;
        } else {
            *o++ = unpremultiplied(p.b, p.a), *o++ = unpremultiplied(p.g, p.a);
            *o++ = unpremultiplied(p.r, p.a), *o++ = p.a;
        }
    }
    return out;
}

}  // namespace

Result<std::vector<uint8_t>> encodePNG(const Image& image) {
    const auto words = image.words();
    const bool opaque = std::all_of(words.begin(), words.end(), [](uint32_t w) { return (w >> 24) == 0xFF; });
    const std::vector<uint8_t> pixels = straightPixels(image, opaque);
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width());
    png.height = png_uint_32(image.height());
    png.format = opaque ? PNG_FORMAT_BGR : PNG_FORMAT_BGRA;
    // Pictures are written for looking at and for tests: speed matters more than size.
    png.flags = PNG_IMAGE_FLAG_FAST;
    if (image.colorSpace() != ColorSpace::sRGB()) png.flags |= PNG_IMAGE_FLAG_COLORSPACE_NOT_sRGB;
    const png_int_32 stride = png_int_32(image.width() * (opaque ? 3 : 4));
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, pixels.data(), stride, nullptr))
        return pngFailure(png, "cannot encode a PNG image");
    std::vector<uint8_t> out(size);
    if (!png_image_write_to_memory(&png, out.data(), &size, 0, pixels.data(), stride, nullptr))
        return pngFailure(png, "cannot encode a PNG image");
    out.resize(size);
    return out;
}

Result<Image> decodePNG(std::span<const uint8_t> data) {
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) return Failure{"not a PNG file: wrong signature"};
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data.data(), data.size()))
        return pngFailure(png, "cannot read the PNG header");
    if (!Image::isValidSize(int(std::min<png_uint_32>(png.width, 1u << 30)), int(std::min<png_uint_32>(png.height, 1u << 30)))) {
        png_image_free(&png);
        return Failure{"PNG image of " + std::to_string(png.width) + " × " + std::to_string(png.height) +
                       " pixels is outside 1...16384 a side"};
    }
    png.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> words;
    try {
        words.resize(size_t(png.width) * size_t(png.height));
    } catch (...) {
        png_image_free(&png);
        throw;
    }
    if (!png_image_finish_read(&png, nullptr, words.data(), png_int_32(png.width * 4), nullptr))
        return pngFailure(png, "cannot decode the PNG image");
    for (uint32_t& w : words) {
        const Pixel p = Pixel::fromWord(w);
        w = Pixel{uint8_t(premultiplied(p.b, p.a)), uint8_t(premultiplied(p.g, p.a)),
                  uint8_t(premultiplied(p.r, p.a)), p.a}.word();
    }
    auto image = Image::adopt(int(png.width), int(png.height), std::move(words), ColorSpace::sRGB());
    if (!image) return Failure{"cannot make an image of the PNG file's pixels"};
    return std::move(*image);
}

Result<void> writePNG(const Image& image, const std::filesystem::path& file) {
    auto encoded = encodePNG(image);
    if (!encoded) return Failure{encoded.error()};
    std::filesystem::path temporary = file;
    temporary += ".partial";
    {
        errno = 0;
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(encoded->data()), std::streamsize(encoded->size()));
        out.flush();
        if (!out) {
            // Said before the file goes, which may set errno again.
            const std::string why = errno ? std::strerror(errno) : "the file took no more";
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return Failure{"cannot write " + file.string() + ": " + why};
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return Failure{"cannot move the PNG file into place at " + file.string()};
    }
    return {};
}

Result<Image> readPNG(const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) return Failure{"cannot read " + file.string() + ": " + error.message()};
    if (size > kMaxFileBytes) return Failure{file.string() + " is too large for a PNG picture"};
    std::vector<uint8_t> data(static_cast<size_t>(size));
    std::ifstream in(file, std::ios::binary);
    in.read(reinterpret_cast<char*>(data.data()), std::streamsize(data.size()));
    if (!in) return Failure{"cannot read " + file.string()};
    auto image = decodePNG(data);
    if (!image) return Failure{file.string() + ": " + image.error().message};
    return image;
}

}  // namespace platform
