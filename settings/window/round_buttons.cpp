#include "settings/window/round_buttons.h"

#include <memory>

#include "platform/appkit/button.h"
#include "platform/runtime/process_once.h"
#include "platform/ui/controls.h"
#include "platform/ui/symbol_image.h"

namespace furlpane {

namespace ui = platform::ui;

namespace {

// The small system font's size, at which the symbol is drawn.
constexpr double kSmallSystemFontSize = 11;

// A button whose action calls what its view last installed; nothing before that.
class PressableButton : public platform::Button {
public:
    std::function<void()> onPress;

    void press() {
        if (onPress) onPress();
    }
};

class RoundImageNSButton final : public PressableButton {};
class HelpNSButton final : public PressableButton {};

// An untitled momentary button of the bezel; target and action: the button itself, press.
template <class B>
std::shared_ptr<B> makeButton(platform::BezelStyle bezel) {
    auto button = std::make_shared<B>();
    button->setTitle("");
    button->setBezelStyle(bezel);
    button->setButtonType(platform::ButtonType::momentaryPushIn);
    std::weak_ptr<B> weak = button;
    button->setAction([weak] {
        if (auto self = weak.lock()) self->press();
    });
    return button;
}

void installAction(platform::View& view, const std::function<void()>& action) {
    if (auto* button = dynamic_cast<PressableButton*>(&view)) button->onPress = action;
}

}  // namespace

double RoundImageButton::standardSide() {
    static platform::ProcessOnce<double> side;
    return side.get([] {
        platform::Button probe;
        probe.setTitle("");
        probe.setBezelStyle(platform::BezelStyle::helpButton);
        probe.setButtonType(platform::ButtonType::momentaryPushIn);
        return probe.intrinsicContentSize().width;
    });
}

ui::View RoundImageButton::body() const {
    const std::string symbol = symbolName;
    const std::string accessibilityLabel = label;
    ui::AppKitViewDescription description;
    description.name = label;
    description.make = [symbol, accessibilityLabel]() -> std::shared_ptr<platform::View> {
        auto button = makeButton<RoundImageNSButton>(platform::BezelStyle::circular);
        if (auto image = ui::systemSymbolImage(symbol, kSmallSystemFontSize)) {
            button->setImage(
                platform::ButtonImage{*image, {kSmallSystemFontSize, kSmallSystemFontSize}, accessibilityLabel});
        }
        button->setImagePosition(platform::ImagePosition::imageOnly);
        return button;
    };
    description.update = [action = action](platform::View& view) { installAction(view, action); };
    description.sizeThatFits = [](std::optional<double>, std::optional<double>, platform::View&) {
        return platform::Size{standardSide(), standardSide()};
    };
    return ui::AppKitView(std::move(description));
}

ui::View HelpButton::body() const {
    ui::AppKitViewDescription description;
    description.name = "Help";
    description.make = []() -> std::shared_ptr<platform::View> {
        return makeButton<HelpNSButton>(platform::BezelStyle::helpButton);
    };
    description.update = [action = action](platform::View& view) { installAction(view, action); };
    description.sizeThatFits = [](std::optional<double>, std::optional<double>, platform::View& view) {
        auto* button = dynamic_cast<platform::Button*>(&view);
        return button ? button->intrinsicContentSize() : platform::Size{};
    };
    return ui::AppKitView(std::move(description));
}

}  // namespace furlpane
