#include "platform/appkit/layer_rendering.h"

#include <algorithm>
#include <cmath>

#include "platform/appkit/application.h"
#include "platform/appkit/window.h"
#include "platform/graphics/path.h"
#include "platform/graphics/text.h"

namespace platform {

namespace {

// The control-point distance that makes a cubic Bézier a close quarter circle.
constexpr double kCircle = 0.5522847498307936;

double clampedOpacity(double opacity) { return std::isfinite(opacity) ? std::clamp(opacity, 0.0, 1.0) : 1.0; }

Path roundedPath(const Rect& r, double radius, uint32_t corners) {
    const double rad = std::max(0.0, std::min({radius, r.width() / 2, r.height() / 2}));
    const double k = rad * (1 - kCircle);
    const bool bl = corners & minXMinYCorner, br = corners & maxXMinYCorner;
    const bool tl = corners & minXMaxYCorner, tr = corners & maxXMaxYCorner;
    const double x0 = r.minX(), x1 = r.maxX(), y0 = r.minY(), y1 = r.maxY();
    Path p;
    p.moveTo({x0 + (bl ? rad : 0), y0});
    p.lineTo({x1 - (br ? rad : 0), y0});
    if (br) p.curveTo({x1 - k, y0}, {x1, y0 + k}, {x1, y0 + rad});
    p.lineTo({x1, y1 - (tr ? rad : 0)});
    if (tr) p.curveTo({x1, y1 - k}, {x1 - k, y1}, {x1 - rad, y1});
    p.lineTo({x0 + (tl ? rad : 0), y1});
    if (tl) p.curveTo({x0 + k, y1}, {x0, y1 - k}, {x0, y1 - rad});
    p.lineTo({x0, y0 + (bl ? rad : 0)});
    if (bl) p.curveTo({x0, y0 + k}, {x0 + k, y0}, {x0 + rad, y0});
    p.closeSubpath();
    return p;
}

Path outlineOf(const Layer& layer) {
    if (layer.cornerRadius() > 0) return roundedPath(layer.bounds(), layer.cornerRadius(), layer.maskedCorners());
    return Path::rect(layer.bounds());
}

// Where the contents go in the bounds (layer space, y upwards).
Rect contentsRect(const Layer& layer, const Image& image) {
    const Rect b = layer.bounds();
    const double scale = std::isfinite(layer.contentsScale()) && layer.contentsScale() > 0 ? layer.contentsScale() : 1;
    const double w = image.width() / scale, h = image.height() / scale;
    const double cx = (b.width() - w) / 2, cy = (b.height() - h) / 2;
    switch (layer.contentsGravity()) {
    case ContentsGravity::resize: return b;
    case ContentsGravity::resizeAspect:
    case ContentsGravity::resizeAspectFill: {
        const double kx = b.width() / w, ky = b.height() / h;
        const double k = layer.contentsGravity() == ContentsGravity::resizeAspect ? std::min(kx, ky) : std::max(kx, ky);
        return {(b.width() - w * k) / 2, (b.height() - h * k) / 2, w * k, h * k};
    }
    case ContentsGravity::center: return {cx, cy, w, h};
    case ContentsGravity::top: return {cx, b.height() - h, w, h};
    case ContentsGravity::bottom: return {cx, 0, w, h};
    case ContentsGravity::left: return {0, cy, w, h};
    case ContentsGravity::right: return {b.width() - w, cy, w, h};
    case ContentsGravity::topLeft: return {0, b.height() - h, w, h};
    case ContentsGravity::topRight: return {b.width() - w, b.height() - h, w, h};
    case ContentsGravity::bottomLeft: return {0, 0, w, h};
    case ContentsGravity::bottomRight: return {b.width() - w, 0, w, h};
    }
    return b;
}

// The layer's own drawing and its sublayers, in the layer's space.
void drawBody(BitmapContext& context, const Layer& layer, double alpha) {
    context.setAlpha(alpha);
    if (layer.masksToBounds()) context.clipToRect(layer.bounds());
    if (const auto& background = layer.backgroundColor()) {
        context.setFillColor(*background);
        context.fillPath(outlineOf(layer));
    }
    if (auto contents = layer.presentedContents()) context.drawImage(*contents, contentsRect(layer, *contents));
    if (layer.borderWidth() > 0 && layer.borderColor()) {
        context.setStrokeColor(*layer.borderColor());
        context.setLineWidth(layer.borderWidth());
        context.strokePath(outlineOf(layer));
    }
    for (const auto& sub : layer.sublayers()) drawLayerTree(context, *sub, alpha);
}

// Multiplies every pixel by the coverage of the layer's rounded outline.
void maskToOutline(BitmapContext& picture, const Layer& layer, double scale) {
    auto mask = BitmapContext::create(picture.width(), picture.height(), picture.colorSpace());
    if (!mask) return;
    mask->scaleBy(scale, scale);
    mask->setFillColor(Color::white());
    mask->fillPath(outlineOf(layer));
    const auto coverage = mask->bytes();
    const auto pixels = picture.mutableBytes();
    for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
        const unsigned a = coverage[i + 3];
        for (size_t c = 0; c < 4; ++c) pixels[i + c] = static_cast<uint8_t>((pixels[i + c] * a + 127) / 255);
    }
}

// A masking layer drawn on its own and then laid down as one picture.
void drawMaskedGroup(BitmapContext& context, const Layer& layer, double alpha) {
    const double scale = std::max(1e-6, context.transform().maxScale());
    const Rect b = layer.bounds();
    const double pw = std::ceil(b.width() * scale), ph = std::ceil(b.height() * scale);
    if (!(pw >= 1 && ph >= 1 && pw <= Image::maxSide && ph <= Image::maxSide)) return;
    auto group = BitmapContext::create(static_cast<int>(pw), static_cast<int>(ph), context.colorSpace());
    if (!group) return;
    group->scaleBy(scale, scale);
    drawBody(*group, layer, 1);
    if (layer.cornerRadius() > 0 && layer.maskedCorners() != 0) maskToOutline(*group, layer, scale);
    context.setAlpha(alpha);
    context.drawImage(group->makeImage(), {0, 0, pw / scale, ph / scale});
}

}  // namespace

void drawLayerTree(BitmapContext& context, const Layer& layer, double alpha) {
    const double a = alpha * clampedOpacity(layer.opacity());
    if (layer.isHidden() || !(a > 0)) return;
    const Rect f = layer.frame();
    if (layer.masksToBounds() && (f.width() <= 0 || f.height() <= 0)) return;
    context.saveGState();
    context.translateBy(f.minX(), f.minY());
    const bool rounded = layer.cornerRadius() > 0 && layer.maskedCorners() != 0;
    const bool translucentGroup = a < 1 && !layer.sublayers().empty();
    if (layer.masksToBounds() && (rounded || translucentGroup)) {
        drawMaskedGroup(context, layer, a);
    } else {
        drawBody(context, layer, a);
    }
    context.restoreGState();
}

// ---- Windows --------------------------------------------------------------------------

namespace {

Color buttonColor(WindowButtonKind kind) {
    switch (kind) {
    case WindowButtonKind::close: return Color::rgb(1, 0.37, 0.34);
    case WindowButtonKind::miniaturize: return Color::rgb(1, 0.74, 0.18);
    case WindowButtonKind::zoom: return Color::rgb(0.16, 0.79, 0.25);
    }
    return Color::gray(0.8);
}

void drawTitleBar(BitmapContext& context, const Window& window, double width, double height) {
    const bool dark = window.effectiveAppearance() == Appearance::dark;
    const double bar = window.titleBarHeight();
    context.setAlpha(1);
    context.setFillColor(Color::gray(dark ? 0.24 : 0.91));
    context.fillRect({0, height - bar, width, bar});
    context.setFillColor(Color::gray(dark ? 0.1 : 0.78));
    context.fillRect({0, height - bar, width, 1});
    for (auto kind : {WindowButtonKind::close, WindowButtonKind::miniaturize, WindowButtonKind::zoom}) {
        const WindowButton* button = window.standardWindowButton(kind);
        if (!button) continue;
        context.setFillColor(button->isEnabled() ? buttonColor(kind) : Color::gray(dark ? 0.4 : 0.8));
        context.fillPath(Path::ellipse(button->frame().insetBy(1, 1)));
    }
    if (window.title().empty()) return;
    auto font = Font::create(13, FontWeight::semibold);
    if (!font) return;
    const TextLine line(window.title(), *font);
    const double baseline = height - bar + (bar - font->ascent() - font->descent()) / 2 + font->descent();
    line.draw(context, {(width - line.width()) / 2, baseline}, Color::gray(dark ? 0.85 : 0.3));
}

}  // namespace

std::optional<Image> renderWindowPicture(Window& window, double scale) {
    if (!std::isfinite(scale) || scale <= 0) return std::nullopt;
    const Rect f = window.frame();
    const double pw = std::ceil(f.width() * scale), ph = std::ceil(f.height() * scale);
    if (!(pw >= 1 && ph >= 1 && pw <= Image::maxSide && ph <= Image::maxSide)) return std::nullopt;
    auto context = BitmapContext::create(static_cast<int>(pw), static_cast<int>(ph), ColorSpace::sRGB());
    if (!context) return std::nullopt;
    context->scaleBy(scale, scale);
    const bool dark = window.effectiveAppearance() == Appearance::dark;
    const Color background = window.backgroundColor().value_or(Color::gray(dark ? 0.18 : 0.93));
    if (background.alpha > 0) {
        context->setFillColor(background);
        context->fillRect({0, 0, f.width(), f.height()});
    }
    if (window.titleBarHeight() > 0) drawTitleBar(*context, window, f.width(), f.height());
    if (const auto& content = window.contentView()) drawLayerTree(*context, *content->layer());
    return context->makeImage();
}

std::optional<Image> renderWindowPicture(uint32_t windowNumber, double scale) {
    Application* app = Application::sharedOrNull();
    if (!app) return std::nullopt;
    std::shared_ptr<Window> window = app->windowWithWindowNumber(windowNumber);
    if (!window) return std::nullopt;
    return renderWindowPicture(*window, scale);
}

}  // namespace platform
