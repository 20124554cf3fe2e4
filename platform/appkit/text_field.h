#pragma once

// A text field used as a label: a string drawn in a font size and weight, colour and
// alignment, over at most a number of lines with a line break mode, with an optional text
// shadow. It sizes itself by the text metrics of text_metrics.h and draws its text into
// its layer's contents at the window's backing scale when displayed.

#include <memory>
#include <optional>
#include <string>

#include "platform/appkit/text_metrics.h"
#include "platform/appkit/view.h"
#include "platform/graphics/color_space.h"

namespace platform {

enum class TextAlignment { left, center, right, natural };

struct TextShadow {
    Color color = Color::black();
    // In points, y upwards: (2, −2) falls to the right and down.
    Point offset{};
    friend bool operator==(const TextShadow&, const TextShadow&) = default;
};

class TextField : public View {
public:
    // A label: not editable, not selectable, no bezel, no background, one line unless
    // told otherwise, clipping.
    static std::shared_ptr<TextField> label(std::string text = {});
    explicit TextField(const Rect& frame = {});

    const std::string& stringValue() const { return text_; }
    void setStringValue(std::string text);
    const TextStyle& font() const { return style_; }
    void setFont(TextStyle style);
    const Color& textColor() const { return color_; }
    void setTextColor(Color color);
    TextAlignment alignment() const { return alignment_; }
    void setAlignment(TextAlignment alignment);
    // 0: no limit.
    int maximumNumberOfLines() const { return maximumLines_; }
    void setMaximumNumberOfLines(int lines);
    LineBreakMode lineBreakMode() const { return breakMode_; }
    void setLineBreakMode(LineBreakMode mode);
    const std::optional<TextShadow>& shadow() const { return shadow_; }
    void setShadow(std::optional<TextShadow> shadow);
    bool isEditable() const { return editable_; }
    void setEditable(bool editable) { editable_ = editable; }
    bool isSelectable() const { return selectable_; }
    void setSelectable(bool selectable) { selectable_ = selectable; }
    bool isBezeled() const { return bezeled_; }
    void setBezeled(bool bezeled) { bezeled_ = bezeled; }
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool draws) { drawsBackground_ = draws; }
    // The width at which fittingSize wraps; 0 for none.
    double preferredMaxLayoutWidth() const { return preferredWidth_; }
    void setPreferredMaxLayoutWidth(double width) { preferredWidth_ = width; }

    // The size the text takes within the given width (the height is not limited).
    Size sizeThatFits(Size limit) const;
    Size fittingSize() const;
    // The text laid out in the current bounds; nothing when the font cannot be had.
    std::optional<TextLayout> currentLayout() const;

    bool wantsUpdateLayer() const override { return true; }
    void updateLayer() override;
    std::optional<std::string> accessibilityRole() const override { return std::string("AXStaticText"); }

private:
    void changed();

    std::string text_;
    TextStyle style_;
    Color color_ = Color::black();
    TextAlignment alignment_ = TextAlignment::natural;
    int maximumLines_ = 0;
    LineBreakMode breakMode_ = LineBreakMode::byWordWrapping;
    std::optional<TextShadow> shadow_;
    bool editable_ = true;
    bool selectable_ = true;
    bool bezeled_ = true;
    bool drawsBackground_ = true;
    double preferredWidth_ = 0;
};

}  // namespace platform
