#include "platform/appkit/button.h"

#include <algorithm>
#include <cmath>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/path.h"
#include "platform/graphics/text.h"

namespace platform {

namespace {

constexpr double kTitleSize = 13;
constexpr double kTitlePadding = 12;
constexpr double kRoundedHeight = 21;

std::optional<double> titleWidth(const std::string& title) {
    auto font = Font::create(kTitleSize);
    if (!font) return std::nullopt;
    return TextLine(title, *font).width();
}

void drawCentredText(BitmapContext& context, const std::string& text, double size, FontWeight weight, const Rect& box,
                     const Color& color) {
    auto font = Font::create(size, weight);
    if (!font) return;
    const TextLine line(text, *font);
    const double baseline = box.midY() - (font->ascent() - font->descent()) / 2;
    line.draw(context, {box.midX() - line.width() / 2, baseline}, color);
}

}  // namespace

Button::Button(const Rect& frame) : View(frame) {
    setWantsLayer(true);
    setLayerContentsRedrawPolicy(LayerContentsRedrawPolicy::onSetNeedsDisplay);
}

void Button::setTitle(std::string title) {
    title_ = std::move(title);
    setNeedsDisplay(true);
}

void Button::setBezelStyle(BezelStyle style) {
    bezel_ = style;
    setNeedsDisplay(true);
}

void Button::setImage(std::optional<ButtonImage> image) {
    image_ = std::move(image);
    setNeedsDisplay(true);
}

void Button::setImagePosition(ImagePosition position) {
    imagePosition_ = position;
    setNeedsDisplay(true);
}

void Button::setEnabled(bool enabled) {
    enabled_ = enabled;
    setNeedsDisplay(true);
}

void Button::performClick() {
    if (enabled_ && action_) action_();
}

bool Button::showsTitle() const { return imagePosition_ != ImagePosition::imageOnly && !title_.empty(); }

Size Button::intrinsicContentSize() const {
    if (bezel_ == BezelStyle::helpButton) return {kHelpButtonSide, kHelpButtonSide};
    double width = 0, height = 0;
    if (image_ && imagePosition_ != ImagePosition::noImage) {
        width = image_->size.width;
        height = image_->size.height;
    }
    if (showsTitle()) {
        width += titleWidth(title_).value_or(0) + (width > 0 ? 4 : 0);
        height = std::max(height, kTitleSize + 3);
    }
    if (bezel_ == BezelStyle::circular) {
        const double side = std::max({width, height, kTitleSize}) + 10;
        return {side, side};
    }
    return {width + 2 * kTitlePadding, std::max(height, kRoundedHeight)};
}

bool Button::contains(const AppEvent& event) const {
    return bounds().contains(convertFromWindow(event.locationInWindow));
}

void Button::setHighlighted(bool highlighted) {
    if (highlighted_ == highlighted) return;
    highlighted_ = highlighted;
    setNeedsDisplay(true);
}

void Button::mouseDown(const AppEvent&) {
    if (enabled_) setHighlighted(true);
}

void Button::mouseDragged(const AppEvent& event) {
    if (enabled_) setHighlighted(contains(event));
}

void Button::mouseUp(const AppEvent& event) {
    const bool inside = contains(event);
    setHighlighted(false);
    if (inside) performClick();
}

void Button::updateLayer() {
    const std::shared_ptr<Layer>& target = layer();
    const double scale = backingScaleFactor();
    const Rect b = bounds();
    auto context = BitmapContext::create(int(std::ceil(b.width() * scale)), int(std::ceil(b.height() * scale)),
                                         ColorSpace::sRGB());
    if (!context) {
        target->setContents(std::nullopt);
        return;
    }
    context->scaleBy(scale, scale);
    context->setAlpha(enabled_ ? 1.0 : 0.45);
    const bool round = bezel_ == BezelStyle::circular || bezel_ == BezelStyle::helpButton;
    const double side = std::min(b.width(), b.height());
    const Rect bezel = round ? Rect{(b.width() - side) / 2, (b.height() - side) / 2, side, side} : b;
    Path outline;
    if (round) outline.addEllipse(bezel.insetBy(0.5, 0.5));
    else outline.addRoundedRect(bezel.insetBy(0.5, 0.5), 5, 5);
    context->setFillColor(highlighted_ ? Color::gray(0.82) : Color::white());
    context->fillPath(outline);
    context->setStrokeColor(Color::gray(0, 0.28));
    context->setLineWidth(1);
    context->strokePath(outline);
    const Color ink = Color::gray(0.2);
    if (bezel_ == BezelStyle::helpButton) {
        drawCentredText(*context, "?", side * 0.62, FontWeight::bold, bezel, ink);
    } else if (image_ && imagePosition_ != ImagePosition::noImage) {
        const Size s = image_->size;
        context->drawImage(image_->image, {b.midX() - s.width / 2, b.midY() - s.height / 2, s.width, s.height});
    }
    if (showsTitle() && bezel_ != BezelStyle::helpButton) drawCentredText(*context, title_, kTitleSize, FontWeight::regular, b, ink);
    target->setContents(context->makeImage());
    target->setContentsScale(scale);
}

}  // namespace platform
