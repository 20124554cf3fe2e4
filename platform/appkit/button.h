#pragma once

// A push button: a title and/or an image in a bezel of one of the system's styles, which
// sends its action when the user clicks it (presses and releases inside it).
//
// Bezel styles and button types carry the system's numbers. The circular bezel is a
// round button of the side the button is given; the help bezel is the system's round
// help button with its question mark, 21 points across at the regular size. The image
// position says where the image stands beside the title; imageOnly hides the title.
//
// The action is a target-action pair in the system; here it is one callable. A disabled
// button draws greyed and sends nothing. Main thread.

#include <functional>
#include <optional>
#include <string>

#include "platform/appkit/view.h"
#include "platform/graphics/image.h"

namespace platform {

enum class BezelStyle : int { rounded = 1, regularSquare = 2, circular = 7, helpButton = 9, smallSquare = 10 };
enum class ButtonType : int { momentaryLight = 0, pushOnPushOff = 1, toggle = 2, momentaryChange = 5, momentaryPushIn = 7 };
// An image as a button shows it: its pixels, its size in points, and what it shows in
// words, for accessibility.
struct ButtonImage {
    Image image;
    Size size;
    std::string accessibilityDescription;
};

enum class ImagePosition : int { noImage = 0, imageOnly = 1, imageLeft = 2, imageRight = 3, imageBelow = 4, imageAbove = 5 };

class Button : public View {
public:
    static constexpr double kHelpButtonSide = 21;

    explicit Button(const Rect& frame = {});

    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    BezelStyle bezelStyle() const { return bezel_; }
    void setBezelStyle(BezelStyle style);
    ButtonType buttonType() const { return type_; }
    void setButtonType(ButtonType type) { type_ = type; }
    const std::optional<ButtonImage>& image() const { return image_; }
    void setImage(std::optional<ButtonImage> image);
    ImagePosition imagePosition() const { return imagePosition_; }
    void setImagePosition(ImagePosition position);
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isHighlighted() const { return highlighted_; }

    void setAction(std::function<void()> action) { action_ = std::move(action); }
    // Sends the action, as a click does; nothing when disabled.
    void performClick();

    // The size its bezel and content ask for.
    Size intrinsicContentSize() const;

    bool acceptsFirstMouse(const AppEvent*) const override { return true; }
    void mouseDown(const AppEvent& event) override;
    void mouseDragged(const AppEvent& event) override;
    void mouseUp(const AppEvent& event) override;
    bool wantsUpdateLayer() const override { return true; }
    void updateLayer() override;
    std::optional<std::string> accessibilityRole() const override { return std::string("AXButton"); }

private:
    bool showsTitle() const;
    bool contains(const AppEvent& event) const;
    void setHighlighted(bool highlighted);

    std::string title_;
    BezelStyle bezel_ = BezelStyle::rounded;
    ButtonType type_ = ButtonType::momentaryPushIn;
    std::optional<ButtonImage> image_;
    ImagePosition imagePosition_ = ImagePosition::noImage;
    bool enabled_ = true;
    bool highlighted_ = false;
    std::function<void()> action_;
};

}  // namespace platform
