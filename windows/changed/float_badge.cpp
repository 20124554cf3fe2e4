// The float badge's place on a title bar, measured from the buttons and the title, and
// its picture.

#include "windows/changed/float_badge.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/appkit/application.h"
#include "platform/graphics/color_space.h"
#include "platform/runtime/process_once.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/main_thread.h"
#include "windows/changed/bitmap_drawing.h"

namespace furlpane {

using platform::Rect;

namespace {

struct ListedButton {
    int index;
    Rect frame;
};

// The buttons present, in the order close (0), minimize (1), zoom (2).
std::vector<ListedButton> listedButtons(const std::map<WindowButton, Rect>& buttons) {
    std::vector<ListedButton> listed;
    for (size_t i = 0; i < kAllWindowButtons.size(); ++i)
        if (auto it = buttons.find(kAllWindowButtons[i]); it != buttons.end()) listed.push_back({int(i), it->second});
    return listed;
}

// The distance between neighbouring buttons; negative when they run leftwards. A lone
// button runs leftwards when it stands in the window's right half.
double buttonSpacing(const std::vector<ListedButton>& listed, double windowWidth) {
    const ListedButton& first = listed.front();
    const ListedButton& last = listed.back();
    if (first.index == last.index) return first.frame.midX() > windowWidth / 2 ? -23.0 : 23.0;
    return (last.frame.midX() - first.frame.midX()) / double(last.index - first.index);
}

std::optional<Rect> relativeFrame(const platform::AccessibilityElement& element, const Rect& window) {
    const auto frame = elementFrame(element);
    if (!frame) return std::nullopt;
    return frame->offsetBy(-window.minX(), -window.minY());
}

}  // namespace

FloatBadge FloatBadge::measure(const std::map<WindowButton, Rect>& buttons, std::optional<Rect> titleFrame,
                               double windowWidth) {
    const auto listed = listedButtons(buttons);
    if (listed.empty()) return FloatBadge{};
    const double spacing = buttonSpacing(listed, windowWidth);
    const ListedButton& last = listed.back();
    double x = last.frame.midX() + double(3 - last.index) * spacing;
    const double y = last.frame.midY();
    const bool fromRight = spacing < 0;
    double pushed = x;
    if (titleFrame && titleFrame->width() > 0) {
        const double gap = std::fabs(titleFrame->midY() - y) <= 4.0 ? 16.0 : 32.0;
        pushed = fromRight ? titleFrame->minX() - gap : titleFrame->maxX() + gap;
    }
    if (fromRight) {
        x = windowWidth - x;
        pushed = windowWidth - pushed;
    }
    return FloatBadge{fromRight, {std::max(pushed, x), y}, x};
}

std::optional<FloatBadge> FloatBadge::remeasure(const platform::AccessibilityElement& window) {
    requireMainThread("FloatBadge.remeasure");
    const auto frame = elementFrame(window);
    if (!frame) return std::nullopt;
    std::map<WindowButton, Rect> buttons;
    for (const WindowButton button : kAllWindowButtons) {
        const auto element = elementAttribute(attributeName(button), window);
        if (!element) continue;
        if (const auto relative = relativeFrame(*element, *frame)) buttons[button] = *relative;
    }
    std::optional<Rect> title;
    if (const auto element = elementAttribute(ax::attribute::titleElement, window))
        if (const auto bounds = textBounds(*element)) title = bounds->offsetBy(-frame->minX(), -frame->minY());
    return measure(buttons, title, frame->width());
}

std::optional<Rect> FloatBadge::rect(const FloatBadge& badge, const Rect& bounds) {
    if (!std::isfinite(badge.center.x) || !std::isfinite(badge.center.y)) return std::nullopt;
    const double a = std::min(bounds.width() - kSide, badge.center.x);
    if (!(a >= badge.nearest)) return std::nullopt;
    const double x = badge.isFromRight ? bounds.width() - a : a;
    const Rect r(bounds.minX() + platform::rounded(x - kSide / 2),
                 bounds.minY() + platform::rounded(badge.center.y - kSide / 2), kSide, kSide);
    if (!bounds.contains(r)) return std::nullopt;
    return r;
}

namespace {

using BadgeCache = std::map<int, platform::Image>;

// The cache lives as long as the process: one per world under the simulated desktop.
BadgeCache& badgeCache() {
    static platform::ProcessOnce<std::shared_ptr<BadgeCache>> cache;
    return *cache.get([] { return std::make_shared<BadgeCache>(); });
}

}  // namespace

std::optional<platform::Image> floatBadgeImage(double scale) {
    requireMainThread("floatBadgeImage");
    const double wanted = platform::rounded(scale * FloatBadge::kSide);
    const int pixels = std::max(1, platform::truncatingInt32(std::isnan(wanted) ? 1 : wanted));
    BadgeCache& cache = badgeCache();
    if (auto it = cache.find(pixels); it != cache.end()) return it->second;
    platform::Application* application = platform::Application::sharedOrNull();
    if (!application || !application->applicationIconImage()) return std::nullopt;
    auto image = drawIntoBitmap(*application->applicationIconImage(), pixels, platform::ColorSpace::sRGB());
    if (!image) return std::nullopt;
    cache.emplace(pixels, *image);
    return image;
}

}  // namespace furlpane
