// Tooltips: the help text of the view the pointer rests over, in a small window by the
// pointer, after a second.

#include "platform/appkit/screen.h"
#include "platform/appkit/text_field.h"
#include "platform/appkit/window.h"
#include "platform/runtime/main_loop.h"
#include "platform/ui/host.h"
#include "platform/ui/surface_view.h"

namespace platform::ui {

namespace {

constexpr double kRestBeforeShowing = 1.0;
constexpr double kBelowPointer = 18;
constexpr double kMaximumWidth = 300;

std::shared_ptr<Window> makeToolTipWindow(const std::string& text, Point screenPoint) {
    auto label = TextField::label(text);
    label->setFont({11});
    label->setMaximumNumberOfLines(0);
    label->setPreferredMaxLayoutWidth(kMaximumWidth);
    const Size size = label->sizeThatFits({kMaximumWidth, 0});
    const Rect topLeft{screenPoint.x, screenPoint.y + kBelowPointer, size.width + 8, size.height + 6};
    auto panel = std::make_shared<Panel>(flipRect(topLeft, Screen::flipHeight()), borderlessWindowMask | nonactivatingPanelMask);
    panel->setLevel(window_levels::popUpMenu);
    panel->setIgnoresMouseEvents(true);
    panel->setHidesOnDeactivate(false);
    panel->setBackgroundColor(Color::rgb(1.0, 1.0, 0.9));
    auto content = std::make_shared<platform::View>();
    label->setFrame({4, 3, size.width, size.height});
    content->addSubview(label);
    panel->setContentView(content);
    panel->orderFront();
    return panel;
}

}  // namespace

void Host::pointerRests(detail::SurfaceView&, const std::string& help, Point screenPoint) {
    if (help.empty()) {
        hideToolTip();
        return;
    }
    if (help == toolTipText_ && (toolTipWindow_ || (toolTipTimer_ && toolTipTimer_->isValid()))) return;
    hideToolTip();
    toolTipText_ = help;
    if (!MainLoop::exists()) return;
    std::weak_ptr<Host> weak = weak_from_this();
    toolTipTimer_ = Timer::make(kRestBeforeShowing, false, [weak, help, screenPoint] {
        auto host = weak.lock();
        if (host && host->toolTipText_ == help) host->toolTipWindow_ = makeToolTipWindow(help, screenPoint);
    });
    MainLoop::main().add(toolTipTimer_, modes::kCommon);
}

void Host::hideToolTip() {
    if (toolTipTimer_) toolTipTimer_->invalidate();
    toolTipTimer_.reset();
    if (toolTipWindow_) toolTipWindow_->close();
    toolTipWindow_.reset();
    toolTipText_.clear();
}

std::optional<std::string> Host::visibleToolTip() const {
    if (!toolTipWindow_ || !toolTipWindow_->isVisible()) return std::nullopt;
    return toolTipText_;
}

}  // namespace platform::ui
