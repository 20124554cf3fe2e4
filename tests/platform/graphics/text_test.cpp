#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/text.h"
#include "platform/graphics/utf8.h"
#include "tests/platform/graphics/graphics_test_support.h"

namespace platform {
namespace {

using testing::makeContext;

Font font(double size, FontWeight weight = FontWeight::regular, FontWidth width = FontWidth::standard) {
    auto f = Font::create(size, weight, width);
    if (!f) throw std::runtime_error(f.error().message);
    return *f;
}

TEST(Text, MissingFontsAndBadSizesFailClearly) {
    auto missing = Font::create(12, FontWeight::regular, FontWidth::standard, "/nonexistent/fonts");
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("/nonexistent/fonts/DejaVuSans.ttf"), std::string::npos) << missing.error();
    for (double size : {0.0, -3.0, double(NAN), double(INFINITY), 1e6}) EXPECT_FALSE(Font::create(size)) << size;
    EXPECT_FALSE(font(12).withSize(0));
    // A file that is not a font at all.
    const auto dir = std::filesystem::temp_directory_path() / "furlpane-fonts-test";
    std::filesystem::create_directories(dir);
    { std::ofstream(dir / "DejaVuSans-Bold.ttf") << "not a font"; }
    auto garbage = Font::create(12, FontWeight::bold, FontWidth::standard, dir);
    EXPECT_FALSE(garbage);
    EXPECT_NE(garbage.error().message.find("DejaVuSans-Bold.ttf"), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(Text, MetricsAreSane) {
    const Font regular = font(20);
    EXPECT_NEAR(regular.ascent(), 20 * 1901.0 / 2048, 1e-9);
    EXPECT_NEAR(regular.descent(), 20 * 483.0 / 2048, 1e-9);
    const TextLine line("Window", regular);
    EXPECT_EQ(line.glyphCount(), 6u);
    EXPECT_GT(line.width(), 50);
    EXPECT_LT(line.width(), 90);
    // Ink sits on the baseline, below the ascent, within the advance.
    const Rect ink = line.glyphBounds();
    EXPECT_NEAR(ink.minY(), 0, 0.5);
    EXPECT_GT(ink.maxY(), 12);
    EXPECT_LT(ink.maxY(), regular.ascent());
    EXPECT_GE(ink.minX(), 0);
    EXPECT_LE(ink.maxX(), line.width());
    // "g" descends below the baseline.
    EXPECT_LT(TextLine("g", regular).glyphBounds().minY(), -3);
    // Spaces advance without ink; an empty line has neither.
    const TextLine spaces("   ", regular);
    EXPECT_GT(spaces.width(), 0);
    EXPECT_TRUE(spaces.glyphBounds().isNull());
    EXPECT_EQ(TextLine("", regular).width(), 0);
}

TEST(Text, WeightWidthSizeAndKernChangeTheAdvance) {
    const std::string text = "TOP SECRET";
    const double regular = TextLine(text, font(120)).width();
    const double bold = TextLine(text, font(120, FontWeight::bold)).width();
    const double black = TextLine(text, font(120, FontWeight::black, FontWidth::condensed)).width();
    const double condensed = TextLine(text, font(120, FontWeight::bold, FontWidth::condensed)).width();
    EXPECT_GT(bold, regular);
    EXPECT_NEAR(condensed, bold * 0.9, 1e-6);
    EXPECT_EQ(black, condensed);  // the family's heaviest weight is bold
    EXPECT_NEAR(TextLine(text, *font(120).withSize(60)).width(), regular / 2, 1e-9);
    EXPECT_NEAR(TextLine(text, font(120), 8).width(), regular + 10 * 8, 1e-9);
}

TEST(Text, InvalidUTF8ShowsReplacementCharacters) {
    const TextLine line(std::string("a\xff\xc3(b\xe2\x82", 7), font(12));
    EXPECT_EQ(line.glyphCount(), 6u);  // a, U+FFFD, U+FFFD, (, b, U+FFFD for the cut-off sequence
    EXPECT_EQ(TextLine("\xed\xa0\x80", font(12)).glyphCount(), 3u);  // a surrogate: three bad bytes
    EXPECT_EQ(TextLine("\xc3\xa9t\xc3\xa9", font(12)).glyphCount(), 3u);
}

// Ink stays within the glyph bounds, also through the context's transform, as when a
// stamp face scales its kerned label down to fit its frame.
TEST(Text, UpperCasingCoversEveryScriptAndMendsMalformedText) {
    const std::pair<std::string, std::string> cases[] = {
        {"k", "K"}, {"ь", "Ь"}, {"λ", "Λ"}, {"é", "É"}, {"ß", "ß"}, {"1!", "1!"},
        {"\xEF\x9C\x88", "\xEF\x9C\x88"},  // a private-use character stays
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},  // four bytes come back whole
        {"a\xC3", "A\xEF\xBF\xBD"},  // cut short
        {"", ""},
    };
    for (const auto& [text, upper] : cases) EXPECT_EQ(uppercased(text), upper) << text;
    EXPECT_EQ(encodeUTF8(U"a\xD800\x110000"), "a\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Text, DrawingIsDeterministicAndStaysInsideTheGlyphBoundsAlsoWhenScaled) {
    const struct {
        const char* text;
        Font font;
        double kern, scale;
    } cases[] = {{"Furlpane — Inbox (3)", font(18, FontWeight::bold), 0, 1},
                 {"TOP SECRET", font(120, FontWeight::black, FontWidth::condensed), 8, 0.3}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.text);
        const auto draw = [&k] {
            auto c = makeContext(300, 60);
            c.scaleBy(k.scale, k.scale);
            const TextLine line(k.text, k.font, k.kern);
            line.draw(c, {10.25 / k.scale, 20.5 / k.scale}, Color::rgb(0.1, 0.2, 0.9));
            return std::pair{c.makeImage(), line.glyphBounds()};
        };
        const auto [first, b] = draw();
        EXPECT_TRUE(first.hasSamePixels(draw().first));
        int inked = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 300; ++x) {
                if (first.pixel(x, y).a == 0) continue;
                ++inked;
                // Pixel (x, y from the top) lies in user y 59 − y ... 60 − y.
                EXPECT_GE(x + 1, 10.25 + k.scale * b.minX());
                EXPECT_LE(x, 10.25 + k.scale * b.maxX());
                EXPECT_GE(60 - y, 20.5 + k.scale * b.minY());
                EXPECT_LE(59 - y, 20.5 + k.scale * b.maxY());
            }
        EXPECT_GT(inked, 500);
    }
}

}  // namespace
}  // namespace platform
