#include "windows/changed/thumbnail_layout.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/graphics/bitmap_context.h"
#include "windows/changed/bitmap_drawing.h"

namespace furlpane {
namespace {

using platform::Rect;
using platform::Size;

TEST(ThumbnailLayout, TheSideFollowsTheScaleUpToTwiceTheStandard) {
    const struct {
        double scale;
        double side;
    } cases[] = {{0.05, 13}, {0.1, 13}, {0.3, 38}, {0.5, 64}, {1, 128}, {2, 256}, {3, 256}, {std::nan(""), 13}};
    for (const auto& c : cases) EXPECT_EQ(ThumbnailLayout::side(c.scale), c.side) << c.scale;
}

TEST(ThumbnailLayout, APictureFillsTheSideAndSmallOnesAreEnlarged) {
    const auto layout = ThumbnailLayout::compute({100, 50}, 200, std::nullopt);
    EXPECT_EQ(layout.size, (Size{200, 100}));
    EXPECT_EQ(layout.imageFrame, Rect(0, 0, 200, 100));
    EXPECT_FALSE(layout.iconFrame);
    EXPECT_EQ(ThumbnailLayout::compute({300, 900}, 128, std::nullopt).size, (Size{43, 128}));
}

TEST(ThumbnailLayout, TheIconOverhangsTheBottomRightCorner) {
    const auto layout = ThumbnailLayout::compute({400, 300}, 128, 100);
    // Icon side 64 (half the side), overhang 21, the picture fits 107.
    EXPECT_EQ(layout.imageFrame, Rect(0, 0, 107, 80));
    EXPECT_EQ(layout.size, (Size{128, 101}));
    EXPECT_EQ(layout.iconFrame, Rect(64, 37, 64, 64));
    // A small icon keeps its own side; a tall narrow picture is widened to the icon.
    const auto narrow = ThumbnailLayout::compute({10, 400}, 128, 30);
    EXPECT_EQ(narrow.imageFrame, Rect(0, 0, 3, 118));
    EXPECT_EQ(narrow.size, (Size{30, 128}));
    EXPECT_EQ(narrow.iconFrame, Rect(0, 98, 30, 30));
}

TEST(ThumbnailLayout, EmptyAndAbsurdSizesStayAtLeastOnePoint) {
    EXPECT_EQ(ThumbnailLayout::compute({0, 0}, 128, std::nullopt).size, (Size{1, 1}));
    EXPECT_EQ(ThumbnailLayout::compute({std::nan(""), 10}, 128, std::nullopt).size, (Size{1, 128}));
    EXPECT_EQ(ThumbnailLayout::compute({100, 100}, -5, std::nullopt).size, (Size{1, 1}));
    EXPECT_EQ(ThumbnailLayout::compute({100, 100}, std::nan(""), 32).size, (Size{1, 1}));
    EXPECT_FALSE(ThumbnailLayout::compute({100, 100}, 128, -3).iconFrame);
    EXPECT_FALSE(ThumbnailLayout::compute({100, 100}, 128, std::nan("")).iconFrame);
}

TEST(DrawIntoBitmap, DrawsTheImageOverTheWholeSquare) {
    const auto icon = platform::Image::filled(8, 4, platform::Color{1, 0, 0, 0.5}, platform::ColorSpace::sRGB());
    ASSERT_TRUE(icon);
    const auto bitmap = drawIntoBitmap(*icon, 32, platform::ColorSpace::displayRGB());
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->width(), 32);
    EXPECT_EQ(bitmap->height(), 32);
    EXPECT_EQ(bitmap->colorSpace(), platform::ColorSpace::displayRGB());
    // Copied, not blended over anything: premultiplied red at half alpha in every corner.
    EXPECT_EQ(bitmap->pixel(0, 0).a, icon->pixel(0, 0).a);
    EXPECT_EQ(bitmap->pixel(31, 31).r, icon->pixel(7, 3).r);
    EXPECT_FALSE(drawIntoBitmap(*icon, 0, platform::ColorSpace::sRGB()));
    EXPECT_FALSE(drawIntoBitmap(*icon, 20000, platform::ColorSpace::sRGB()));
    EXPECT_FALSE(drawIntoBitmap(*icon, 16, platform::ColorSpace::genericGray()));
}

}  // namespace
}  // namespace furlpane
