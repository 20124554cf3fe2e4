#include "platform/ui/painter.h"

#include <algorithm>

#include "platform/graphics/text.h"

namespace platform::ui::detail {

Painter::Painter(BitmapContext& context, double height, double scale) : context_(context) {
    // User space becomes the surface's: points, origin at the top-left corner, y down.
    context_.translateBy(0, height * scale);
    context_.scaleBy(scale, -scale);
}

void Painter::fillRect(const Rect& rect, const Color& color) {
    context_.setFillColor(color);
    context_.fillRect(rect);
}

void Painter::fillRoundedRect(const Rect& rect, double radius, const Color& color) {
    const double r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    fillPath(Path::roundedRect(rect, r, r), color);
}

void Painter::strokeRoundedRect(const Rect& rect, double radius, const Color& color, double width) {
    const Rect inner = rect.insetBy(width / 2, width / 2);
    if (inner.isNull()) return;
    const double r = std::clamp(radius - width / 2, 0.0, std::min(inner.width(), inner.height()) / 2);
    strokePath(Path::roundedRect(inner, r, r), color, width);
}

void Painter::fillEllipse(const Rect& rect, const Color& color) { fillPath(Path::ellipse(rect), color); }

void Painter::strokeEllipse(const Rect& rect, const Color& color, double width) {
    const Rect inner = rect.insetBy(width / 2, width / 2);
    if (!inner.isNull()) strokePath(Path::ellipse(inner), color, width);
}

void Painter::line(Point from, Point to, const Color& color, double width) {
    Path path;
    path.moveTo(from);
    path.lineTo(to);
    strokePath(path, color, width);
}

void Painter::fillPath(const Path& path, const Color& color, FillRule rule) {
    context_.setFillColor(color);
    context_.fillPath(path, rule);
}

void Painter::strokePath(const Path& path, const Color& color, double width) {
    context_.setStrokeColor(color);
    context_.setLineWidth(width);
    context_.setLineCap(LineCap::round);
    context_.setLineJoin(LineJoin::round);
    context_.strokePath(path);
}

void Painter::text(const std::string& text, const Font& font, Point origin, const Color& color) {
    auto made = platform::Font::create(font.size, font.weight, FontWidth::standard, font.design);
    if (!made || text.empty()) return;
    const TextLine line(text, *made);
    context_.saveGState();
    context_.translateBy(origin.x, origin.y);
    context_.scaleBy(1, -1);
    line.draw(context_, {0, 0}, color);
    context_.restoreGState();
}

void Painter::image(const Image& image, const Rect& rect) {
    context_.saveGState();
    context_.translateBy(rect.minX(), rect.maxY());
    context_.scaleBy(1, -1);
    context_.drawImage(image, {0, 0, rect.width(), rect.height()});
    context_.restoreGState();
}

void Painter::pushClip(const Rect& rect) {
    context_.saveGState();
    context_.clipToRect(rect);
    alphas_.push_back(alphas_.back());
}

void Painter::pushAlpha(double alpha) {
    context_.saveGState();
    alphas_.push_back(alphas_.back() * std::clamp(alpha, 0.0, 1.0));
    context_.setAlpha(alphas_.back());
}

void Painter::pop() {
    if (alphas_.size() < 2) return;
    alphas_.pop_back();
    context_.restoreGState();
}

}  // namespace platform::ui::detail
