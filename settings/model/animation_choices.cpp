#include "settings/model/animation_choices.h"

namespace furlpane {

std::string_view displayName(TitleStripAnimation choice) {
    const auto i = static_cast<size_t>(choice);
    return i == 0 ? "Roll" : detail::kSharedAnimationNames[i - 1];
}

std::string_view displayName(ThumbnailAnimation choice) {
    const auto i = static_cast<size_t>(choice);
    return i == 0 ? "Swirl" : detail::kSharedAnimationNames[i - 1];
}

std::optional<std::string> text(HoverTitle hoverTitle, std::string_view windowTitle, std::string_view applicationName) {
    switch (hoverTitle) {
        case HoverTitle::none: return std::nullopt;
        case HoverTitle::windowTitle: return std::string(windowTitle.empty() ? applicationName : windowTitle);
        case HoverTitle::applicationName: return std::string(applicationName);
        case HoverTitle::both:
            if (windowTitle.empty()) return std::string(applicationName);
            return std::string(applicationName) + "\n" + std::string(windowTitle);
    }
    return std::nullopt;
}

}  // namespace furlpane
