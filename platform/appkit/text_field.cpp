#include "platform/appkit/text_field.h"

#include <cmath>

#include "platform/graphics/bitmap_context.h"

namespace platform {

std::shared_ptr<TextField> TextField::label(std::string text) {
    auto field = std::make_shared<TextField>();
    field->text_ = std::move(text);
    field->editable_ = false;
    field->selectable_ = false;
    field->bezeled_ = false;
    field->drawsBackground_ = false;
    field->maximumLines_ = 1;
    field->breakMode_ = LineBreakMode::byClipping;
    const Size size = field->fittingSize();
    field->setFrame({0, 0, size.width, size.height});
    return field;
}

TextField::TextField(const Rect& frame) : View(frame) {
    setWantsLayer(true);
    setLayerContentsRedrawPolicy(LayerContentsRedrawPolicy::onSetNeedsDisplay);
}

void TextField::changed() { setNeedsDisplay(true); }

void TextField::setStringValue(std::string text) {
    text_ = std::move(text);
    changed();
}

void TextField::setFont(TextStyle style) {
    style_ = style;
    changed();
}

void TextField::setTextColor(Color color) {
    color_ = color;
    changed();
}

void TextField::setAlignment(TextAlignment alignment) {
    alignment_ = alignment;
    changed();
}

void TextField::setMaximumNumberOfLines(int lines) {
    maximumLines_ = lines < 0 ? 0 : lines;
    changed();
}

void TextField::setLineBreakMode(LineBreakMode mode) {
    breakMode_ = mode;
    changed();
}

void TextField::setShadow(std::optional<TextShadow> shadow) {
    shadow_ = shadow;
    changed();
}

Size TextField::sizeThatFits(Size limit) const {
    return fittingTextSize(text_, style_, limit.width, maximumLines_, breakMode_);
}

Size TextField::fittingSize() const { return sizeThatFits({preferredWidth_, 0}); }

std::optional<TextLayout> TextField::currentLayout() const {
    auto layout = layOutText(text_, style_, frame().width(), maximumLines_, breakMode_);
    if (!layout) return std::nullopt;
    return std::move(layout.value());
}

void TextField::updateLayer() {
    const std::shared_ptr<Layer>& target = layer();
    const double scale = backingScaleFactor();
    const int width = static_cast<int>(std::ceil(frame().width() * scale));
    const int height = static_cast<int>(std::ceil(frame().height() * scale));
    auto font = Font::create(style_.pointSize, style_.weight, FontWidth::standard, style_.design);
    auto layout = currentLayout();
    auto context = BitmapContext::create(width, height, ColorSpace::sRGB());
    if (!font || !layout || !context) {
        target->setContents(std::nullopt);
        return;
    }
    context->scaleBy(scale, scale);
    const double boundsWidth = frame().width();
    const double boundsHeight = frame().height();
    for (size_t i = 0; i < layout->lines.size(); ++i) {
        const double lineWidth = layout->lineWidths[i];
        double x = 0;
        if (alignment_ == TextAlignment::center) x = (boundsWidth - lineWidth) / 2;
        if (alignment_ == TextAlignment::right) x = boundsWidth - lineWidth;
        const double baseline = boundsHeight - (static_cast<double>(i) * layout->lineHeight + layout->ascent);
        const TextLine line(layout->lines[i], *font);
        if (shadow_) line.draw(*context, {x + shadow_->offset.x, baseline + shadow_->offset.y}, shadow_->color);
        line.draw(*context, {x, baseline}, color_);
    }
    target->setContents(context->makeImage());
    target->setContentsScale(scale);
    target->setContentsGravity(ContentsGravity::resize);
}

}  // namespace platform
