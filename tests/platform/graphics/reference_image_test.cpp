// Rendering compared against numbered reference pictures in references/ (see
// tests/support/reference_images.h for the switch that writes them anew).

#include <gtest/gtest.h>

#include <numbers>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/png_codec.h"
#include "platform/graphics/text.h"
#include "tests/platform/graphics/graphics_test_support.h"
#include "tests/support/reference_images.h"

namespace platform {
namespace {

using testing::makeContext;

void compareWithReference(const Image& actual, const std::string& name) {
    furlpane_test::expectMatchesReference(actual, FURLPANE_GRAPHICS_REFERENCES, name);
}

// Fills, both fill rules, strokes with every join, an image scaled up, down and rotated,
// and text in two weights: one picture of everything the drawing code does.
Image drawScene() {
    auto c = makeContext(320, 200);
    c.setFillColor(Color::rgb(0.93, 0.94, 0.96));
    c.fillRect(Rect(0, 0, 320, 200));
    c.setFillColor(Color::rgb(0.2, 0.4, 0.8, 0.8));
    c.fillPath(Path::roundedRect(Rect(10.5, 120.25, 120, 70), 14, 10));
    Path rings = Path::ellipse(Rect(150, 110, 80, 80));
    rings.addEllipse(Rect(170, 130, 40, 40));
    c.setFillColor(Color::rgb(0.9, 0.3, 0.2));
    c.fillPath(rings, FillRule::evenOdd);
    c.setStrokeColor(Color::rgb(0.1, 0.1, 0.1, 0.9));
    const LineJoin joins[] = {LineJoin::miter, LineJoin::round, LineJoin::bevel};
    for (int k = 0; k < 3; ++k) {
        Path zigzag;
        zigzag.moveTo({245.0 + 25 * k, 120});
        zigzag.lineTo({255.0 + 25 * k, 185});
        zigzag.lineTo({265.0 + 25 * k, 125});
        c.setLineJoin(joins[k]);
        c.setLineCap(k == 1 ? LineCap::round : LineCap::butt);
        c.setLineWidth(5);
        c.strokePath(zigzag);
    }
    const Image checks = testing::makeImage(8, 8, [](int x, int y) {
        return (x + y) % 2 ? Pixel{40, 160, 40, 255} : Pixel{0, 0, 120, 120};
    });
    c.drawImage(checks, Rect(10, 10, 64, 64));    // enlarged
    c.drawImage(checks, Rect(80, 10, 5.5, 5.5));  // shrunk onto pixel fractions
    c.saveGState();
    c.translateBy(130, 50);
    c.rotateBy(std::numbers::pi / 7);
    c.drawImage(checks, Rect(-24, -24, 48, 48));
    c.restoreGState();
    const TextLine title("Furlpane Novan", *Font::create(20, FontWeight::bold, FontWidth::condensed));
    title.draw(c, {160, 70}, Color::rgb(0.1, 0.1, 0.2));
    const TextLine body("Window — 1 of 3 (éè)", *Font::create(11));
    body.draw(c, {160.5, 50.25}, Color::rgb(0.3, 0.3, 0.35));
    return c.makeImage();
}

TEST(ReferenceImages, SceneOfEveryDrawingOperation) { compareWithReference(drawScene(), "scene-1"); }

}  // namespace
}  // namespace platform
