#include "appkit_support.h"
#include "platform/appkit/desktop_picture.h"
#include "platform/appkit/layer_rendering.h"
#include "platform/graphics/bitmap_context.h"

namespace appkit_test {
namespace {

// A picture of a layer tree on a transparent 100 × 60 context at one pixel a point.
Image draw(const Layer& layer) {
    auto context = *BitmapContext::create(100, 60, ColorSpace::sRGB());
    drawLayerTree(context, layer);
    return context.makeImage();
}

// Top-left pixel coordinates from layer coordinates (y upwards) of a 60-high picture.
Pixel at(const Image& image, int x, int yUp) { return image.pixel(x, 59 - yUp); }

// An image whose top half is red and bottom half blue.
Image twoBands(int width, int height) {
    auto context = *BitmapContext::create(width, height, ColorSpace::sRGB());
    context.setFillColor(Color::rgb(0, 0, 1));
    context.fillRect({0, 0, double(width), height / 2.0});
    context.setFillColor(Color::rgb(1, 0, 0));
    context.fillRect({0, height / 2.0, double(width), height / 2.0});
    return context.makeImage();
}

TEST(LayerPictures, ContentsFollowGravityAndScaleAndMaskToBounds) {
    auto strip = Layer::make();
    strip->setFrame({0, 40, 100, 20});
    // A picture 200 pixels wide shown at full width from its top: scale 2, top gravity.
    // It is 60 points high, so it hangs 40 points below the strip.
    strip->setContents(twoBands(200, 120));
    strip->setContentsGravity(ContentsGravity::top);
    strip->setContentsScale(2);
    strip->setMasksToBounds(true);
    const Image picture = draw(*strip);
    EXPECT_EQ(at(picture, 50, 50).r, 255);  // the picture's top band fills the strip
    EXPECT_EQ(at(picture, 50, 50).b, 0);
    EXPECT_EQ(at(picture, 50, 30).a, 0);  // nothing below the strip
    EXPECT_EQ(at(picture, 50, 10).a, 0);
    strip->setMasksToBounds(false);
    const Image unmasked = draw(*strip);
    EXPECT_EQ(at(unmasked, 50, 35).r, 255);
    EXPECT_EQ(at(unmasked, 50, 10).b, 255);

    auto fit = Layer::make();
    fit->setFrame({0, 0, 100, 60});
    fit->setContents(solid(10, 10, Color::rgb(0, 1, 0)));
    fit->setContentsGravity(ContentsGravity::resizeAspect);
    const Image fitted = draw(*fit);
    EXPECT_EQ(at(fitted, 50, 30).g, 255);
    EXPECT_EQ(at(fitted, 10, 30).a, 0);  // letterboxed at the sides
    fit->setContentsGravity(ContentsGravity::bottomRight);
    fit->setContentsScale(0);  // treated as 1
    const Image corner = draw(*fit);
    EXPECT_EQ(at(corner, 95, 5).g, 255);
    EXPECT_EQ(at(corner, 85, 5).a, 0);
}

TEST(LayerPictures, CornersRoundOnlyWhereMaskedAndOpacityCoversTheSubtree) {
    auto strip = Layer::make();
    strip->setFrame({0, 0, 100, 60});
    strip->setBackgroundColor(Color::white());
    strip->setCornerRadius(8);
    strip->setMaskedCorners(minXMinYCorner | maxXMinYCorner);  // the two bottom corners
    strip->setMasksToBounds(true);
    auto child = Layer::make();
    child->setFrame({-10, -10, 40, 40});
    child->setBackgroundColor(Color::rgb(1, 0, 0));
    strip->addSublayer(child);
    const Image picture = draw(*strip);
    EXPECT_EQ(at(picture, 0, 0).a, 0);     // bottom-left corner cut away, child included
    EXPECT_EQ(at(picture, 99, 0).a, 0);    // bottom-right corner cut away
    EXPECT_EQ(at(picture, 0, 59).a, 255);  // top corners square
    EXPECT_EQ(at(picture, 99, 59).a, 255);
    EXPECT_EQ(at(picture, 10, 10).r, 255);
    EXPECT_EQ(at(picture, 10, 10).g, 0);

    strip->setOpacity(0.5);
    const Image faded = draw(*strip);
    EXPECT_NEAR(at(faded, 10, 10).a, 128, 1);  // the child over the white as one picture
    EXPECT_NEAR(at(faded, 60, 30).a, 128, 1);
    strip->setHidden(true);
    EXPECT_EQ(at(draw(*strip), 60, 30).a, 0);
}

TEST_F(AppKitTest, AWindowsPictureHasItsBackgroundTitleBarAndContentLayers) {
    auto window = std::make_shared<Window>(appKit({100, 100, 100, 50}), titledWindowMask | closableWindowMask);
    window->setTitle("Settings");
    auto content = std::make_shared<View>();
    window->setContentView(content);
    auto badge = Layer::make();
    badge->setFrame({10, 10, 16, 16});
    badge->setBackgroundColor(Color::rgb(0, 0, 1));
    content->layer()->addSublayer(badge);
    auto picture = renderWindowPicture(*window, 2);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), 200);
    EXPECT_EQ(picture->height(), 156);  // 50 points of content and 28 of title bar
    const Pixel close = picture->pixel(2 * 16, 2 * 14);
    EXPECT_GT(close.r, 200);
    EXPECT_LT(close.g, 150);
    const Pixel inBadge = picture->pixel(2 * 18, 155 - 2 * 18);
    EXPECT_EQ(inBadge.b, 255);
    EXPECT_EQ(inBadge.r, 0);
    const Pixel plain = picture->pixel(150, 120);
    EXPECT_EQ(plain.r, plain.g);
    EXPECT_GT(plain.r, 200);
    // A clear window shows only its layers.
    window->setBackgroundColor(Color::clear());
    EXPECT_EQ(renderWindowPicture(*window, 1)->pixel(80, 70).a, 0);
    EXPECT_FALSE(renderWindowPicture(*window, 0));
    EXPECT_FALSE(renderWindowPicture(*window, std::nan("")));
    EXPECT_TRUE(renderWindowPicture(window->windowNumber(), 1));
    EXPECT_FALSE(renderWindowPicture(12345, 1));
}

TEST_F(AppKitTest, TheDesktopPictureUsesTheHookForOtherWindowsAndRunsPendingDisplay) {
    desktop::Application& editor = world.application("com.example.Editor")
                                       .window({.title = "Draft", .frame = Rect{100, 100, 300, 200}})
                                       .add();
    const uint32_t draft = editor.windows()[0]->number();
    DesktopPictureOptions options{.scale = 0.25, .area = Rect{0, 0, 720, 450}};
    options.windowPicture = [draft](const desktop::Window& w, double scale) -> std::optional<Image> {
        if (w.number() != draft) return std::nullopt;
        return solid(static_cast<int>(w.frame().width() * scale), static_cast<int>(w.frame().height() * scale),
                     Color::rgb(0, 1, 0));
    };
    // A panel whose view sets its colour only when displayed.
    class Painter : public View {
    public:
        bool wantsUpdateLayer() const override { return true; }
        void updateLayer() override { layer()->setBackgroundColor(Color::rgb(1, 0, 1)); }
    };
    auto panel = std::make_shared<Panel>(appKit({400, 300, 200, 100}), nonactivatingPanelMask);
    panel->setContentView(std::make_shared<Painter>());
    panel->setBackgroundColor(Color::clear());
    panel->setLevel(window_levels::floating);
    panel->orderFront();
    panel->contentView()->setNeedsDisplay(true);
    auto picture = renderDesktop(options);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), 180);
    EXPECT_EQ(picture->pixel(50, 50).g, 255);   // the hook's picture of the editor's window
    EXPECT_EQ(picture->pixel(125, 95).r, 255);  // the panel's layer, displayed first
    EXPECT_EQ(picture->pixel(125, 95).b, 255);
    const Pixel desk = picture->pixel(170, 60);
    EXPECT_GT(desk.b, desk.r);  // the desktop picture's placeholder
    panel->setAlphaValue(0);
    EXPECT_LT(renderDesktop(options)->pixel(125, 95).r, 100);
    EXPECT_FALSE(renderDesktop({.scale = -1}));
    EXPECT_FALSE(renderDesktop({.scale = 1, .area = Rect{0, 0, 100000, 10}}));
}

}  // namespace
}  // namespace appkit_test
