#include <gtest/gtest.h>

#include <png.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/graphics/png_codec.h"
#include "tests/platform/graphics/graphics_test_support.h"

namespace platform {
namespace {

using testing::makeImage;
using testing::noisePixel;

uint32_t crc32(const uint8_t* data, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void putBigEndian(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

// A valid PNG whose header claims another size (the header's CRC is made to match).
std::vector<uint8_t> withClaimedSize(std::vector<uint8_t> png, uint32_t width, uint32_t height) {
    // Signature (8), IHDR length (4), "IHDR" (4), width, height, 5 more bytes, CRC.
    putBigEndian(png, 16, width);
    putBigEndian(png, 20, height);
    putBigEndian(png, 29, crc32(png.data() + 12, 17));
    return png;
}

std::vector<uint8_t> smallPNG() {
    const Image image = makeImage(5, 4, [](int x, int y) { return noisePixel(uint32_t(7 * x + y)); });
    return *encodePNG(image);
}

TEST(PNG, EveryPremultipliedPixelAndOpaqueImagesOfOtherSpacesSurviveARoundTrip) {
    // Column = alpha, row = colour: every premultiplied pair (colour ≤ alpha) appears.
    const Image all = makeImage(256, 256, [](int x, int y) {
        const uint8_t a = uint8_t(x), c = uint8_t(std::min(x, y));
        return Pixel{c, uint8_t(a - c), uint8_t(c / 2), a};
    });
    const Image opaque = makeImage(33, 17, [](int x, int y) { return Pixel{uint8_t(x), uint8_t(y), 200, 255}; },
                                   ColorSpace::displayRGB());
    for (const Image& image : {all, opaque}) {
        auto encoded = encodePNG(image);
        ASSERT_TRUE(encoded) << encoded.error();
        auto decoded = decodePNG(*encoded);
        ASSERT_TRUE(decoded) << decoded.error();
        EXPECT_TRUE(decoded->hasSamePixels(image));
        EXPECT_EQ(decoded->colorSpace(), ColorSpace::sRGB());
        // The same image always encodes to the same bytes.
        EXPECT_EQ(*encodePNG(image), *encoded);
    }
}

TEST(PNG, OtherColourTypesArePremultipliedOnReading) {
    // Gray 200 with alpha 128, written with libpng directly.
    const uint8_t grayAlpha[] = {200, 128, 0, 0};
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = 2;
    png.height = 1;
    png.format = PNG_FORMAT_GA;
    png_alloc_size_t size = 0;
    ASSERT_TRUE(png_image_write_to_memory(&png, nullptr, &size, 0, grayAlpha, 0, nullptr));
    std::vector<uint8_t> bytes(size);
    ASSERT_TRUE(png_image_write_to_memory(&png, bytes.data(), &size, 0, grayAlpha, 0, nullptr));
    auto decoded = decodePNG(std::span(bytes).first(size));
    ASSERT_TRUE(decoded) << decoded.error();
    EXPECT_EQ(decoded->pixel(0, 0), (Pixel{100, 100, 100, 128}));
    EXPECT_EQ(decoded->pixel(1, 0), (Pixel{0, 0, 0, 0}));
}

TEST(PNG, FilesAreWrittenAndReadBack) {
    const auto dir = std::filesystem::temp_directory_path() / "furlpane-png-test";
    std::filesystem::create_directories(dir);
    const Image image = makeImage(9, 9, [](int x, int y) { return noisePixel(uint32_t(x * y + 3)); });
    ASSERT_TRUE(writePNG(image, dir / "picture.png"));
    auto read = readPNG(dir / "picture.png");
    ASSERT_TRUE(read) << read.error();
    EXPECT_TRUE(read->hasSamePixels(image));
    EXPECT_FALSE(std::filesystem::exists(dir / "picture.png.partial"));
    auto missing = readPNG(dir / "absent.png");
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("absent.png"), std::string::npos);
    EXPECT_FALSE(writePNG(image, dir / "no-such-folder" / "picture.png"));
    std::filesystem::remove_all(dir);
}

TEST(PNG, HostileInputsFailClearlyAndNeverCrash) {
    EXPECT_FALSE(decodePNG({}));
    const std::vector<uint8_t> text = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
    auto wrong = decodePNG(text);
    ASSERT_FALSE(wrong);
    EXPECT_NE(wrong.error().message.find("signature"), std::string::npos);

    const std::vector<uint8_t> png = smallPNG();
    // Every cut before the closing chunk (its last 12 bytes) loses pixel data.
    for (size_t n = 0; n < png.size(); ++n) {
        auto truncated = decodePNG(std::span(png).first(n));
        if (n < png.size() - 12) {
            EXPECT_FALSE(truncated) << "cut at " << n;
            EXPECT_FALSE(truncated.error().message.empty());
        }
    }
    // Every single-byte corruption either decodes to some image or fails, safely; one in
    // the signature or the header must not pass unnoticed.
    for (size_t i = 0; i < png.size(); ++i) {
        std::vector<uint8_t> corrupt = png;
        corrupt[i] ^= 0x5A;
        const bool accepted = bool(decodePNG(corrupt));
        EXPECT_FALSE(accepted && i < 33) << "corrupt header byte " << i << " accepted";
    }

    auto huge = decodePNG(withClaimedSize(png, 20000, 4));
    ASSERT_FALSE(huge);
    EXPECT_NE(huge.error().message.find("outside"), std::string::npos) << huge.error();
    EXPECT_FALSE(decodePNG(withClaimedSize(png, 0x7FFFFFFF, 0x7FFFFFFF)));
    EXPECT_FALSE(decodePNG(withClaimedSize(png, 0, 4)));
    // A plausible size that the data cannot fill.
    EXPECT_FALSE(decodePNG(withClaimedSize(png, 500, 400)));
}

}  // namespace
}  // namespace platform
