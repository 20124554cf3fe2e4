// The hover title's capsule: its look, its size from the text, and its place by the
// thumbnail.

#include "windows/changed/hover_title_panel.h"

#include <algorithm>
#include <limits>

#include "platform/appkit/screen.h"
#include "windows/access/main_thread.h"
#include "windows/access/screens.h"
#include "windows/access/overlay_panel.h"

namespace furlpane {

using platform::Rect;

HoverTitlePanel::HoverTitlePanel(const Key&)
    : platform::Panel(Rect(), platform::nonactivatingPanelMask, platform::BackingStore::buffered, true),
      label_(platform::TextField::label()) {}

std::shared_ptr<HoverTitlePanel> HoverTitlePanel::create() {
    requireMainThread("HoverTitlePanel.init");
    auto panel = std::make_shared<HoverTitlePanel>(Key{});
    configureOverlayPanel(*panel, false, OverlayMouse::passesThrough);

    auto content = std::make_shared<platform::View>();
    content->setWantsLayer(true);
    content->layer()->setBackgroundColor(platform::Color{0, 0, 0, 0.5});
    platform::TextField& label = *panel->label_;
    label.setFont({kFontSize, platform::FontWeight::bold});
    label.setTextColor(platform::Color::white());
    label.setAlignment(platform::TextAlignment::center);
    label.setMaximumNumberOfLines(2);
    label.setLineBreakMode(platform::LineBreakMode::byTruncatingMiddle);
    label.setShadow(platform::TextShadow{platform::Color::black(), {2.0, -2.0}});
    content->addSubview(panel->label_);
    panel->setContentView(content);
    return panel;
}

std::optional<Rect> HoverTitlePanel::usableFrameAround(platform::Point point) {
    const double h = platform::Screen::flipHeight();
    for (const platform::Screen& screen : platform::Screen::screens()) {
        const Rect frame = platform::flipRect(screen.frame(), h);
        if (!frame.contains(point)) continue;
        return extendOverHiddenDock(dockSettings(), frame, platform::flipRect(screen.visibleFrame(), h));
    }
    return std::nullopt;
}

void HoverTitlePanel::show(platform::Window& parent, std::optional<Rect> frame) {
    requireMainThread("HoverTitlePanel.show");
    const double h = platform::Screen::flipHeight();
    const Rect stand = frame.value_or(parent.topLeftFrame());
    const double limit = std::max(kMinimumWidth, 2 * stand.width()) - 2 * kHorizontalMargin;
    const platform::Size text = label_->sizeThatFits({limit, std::numeric_limits<double>::max()});
    const double textWidth = std::min(limit, text.width);
    const double width = textWidth + 2 * kHorizontalMargin;
    const double height = text.height + 2 * kVerticalMargin;
    Rect placed(stand.midX() - width / 2, stand.minY() - height / 2, width, height);
    if (const auto usable = usableFrameAround(stand.mid())) {
        // No room above the thumbnail: just below it instead.
        if (usable->minY() > placed.minY()) placed.origin.y = stand.maxY() + kGapBelow;
        placed = clampRect(placed, *usable);
    }
    setFrame(platform::flipRect(placed, h), platform::Redisplay::no);
    label_->setFrame(Rect(kHorizontalMargin, kVerticalMargin, textWidth, text.height));
    if (const auto& content = contentView(); content && content->hasLayer())
        content->layer()->setCornerRadius(height / 2);
    setCollectionBehavior(parent.collectionBehavior());
    if (!parentWindow())
        parent.addChildWindow(std::static_pointer_cast<platform::Window>(shared_from_this()),
                              platform::WindowOrderingMode::above);
    orderWindow(platform::WindowOrderingMode::above, parent.windowNumber());
}

}  // namespace furlpane
