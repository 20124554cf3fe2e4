// Measuring a title bar and testing points against it.

#include <algorithm>
#include <cmath>

#include "windows/access/main_thread.h"
#include "windows/access/target_window.h"

namespace furlpane {

using platform::Point;
using platform::Rect;

namespace {

// The depth of the button row: twice the minimize button's vertical centre, rounded
// half away from zero, at least the minimum, at most the window's height and the
// maximum (the window's height winning over the minimum in a very short window).
double buttonRowDepth(const std::optional<Rect>& minimizeButton, double windowHeight) {
    if (!minimizeButton) return title_bar::kDefaultButtonRow;
    const double row = std::max(platform::rounded(2 * minimizeButton->midY()), title_bar::kMinimumHeight);
    return std::min(row, std::min(windowHeight, title_bar::kMaximumHeight));
}

bool insideAny(const std::vector<Rect>& frames, Point point) {
    return std::any_of(frames.begin(), frames.end(), [point](const Rect& r) { return r.contains(point); });
}

}  // namespace

TitleBar measureTitleBar(std::optional<Rect> minimizeButton, const std::vector<Rect>& toolbars, double windowHeight) {
    const double row = buttonRowDepth(minimizeButton, windowHeight);
    std::vector<Rect> sorted = toolbars;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Rect& a, const Rect& b) { return a.minY() < b.minY(); });
    TitleBar bar{.height = row, .toolbars = {}, .buttonBarHeight = row};
    // Toolbars join the band from the top while each begins within the gap below it.
    for (const Rect& toolbar : sorted) {
        if (!(toolbar.minY() <= bar.height + title_bar::kFusingGap)) break;
        bar.toolbars.push_back(toolbar);
        bar.height = std::max(bar.height, std::ceil(toolbar.maxY()));
    }
    bar.height = std::min(std::max(bar.height, title_bar::kMinimumHeight), std::min(windowHeight, title_bar::kMaximumHeight));
    return bar;
}

bool TargetWindow::isOnBareTitleBar(Point point) const {
    requireMainThread("TargetWindow::isOnBareTitleBar");
    // Only the button row is bare title bar, never a fused toolbar band below it.
    if (!(point.y >= 0) || !(point.y <= std::min(titleBar.height, titleBar.buttonBarHeight))) return false;
    if (insideAny(titleBar.toolbars, point)) return false;
    const double margin = title_bar::kButtonMargin;
    return std::none_of(buttons.begin(), buttons.end(),
                        [&](const auto& button) { return button.second.insetBy(-margin, -margin).contains(point); });
}

bool TargetWindow::titleBarContains(Point point) const {
    const double dy = point.y - frame.minY();
    if (dy > titleBar.height) return false;
    if (dy <= titleBar.buttonBarHeight) return true;
    return insideAny(titleBar.toolbars, Point{point.x - frame.minX(), dy});
}

}  // namespace furlpane
