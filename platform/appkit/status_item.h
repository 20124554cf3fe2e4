#pragma once

// The system status bar and the program's status items.
//
// A status item is a small window of the program in the menu bar of the first screen, at
// the status level (25), on every Space: it appears in window lists like any window of
// the program and is hit by the mouse. Items stand right to left from 120 points left of
// the screen's right edge (the clock's place), the newest leftmost, and move when items
// come, go or change width. A square item is as wide as the bar is thick (24 points); a
// variable one as wide as its image or title needs (title text at 13 points plus 8 points
// on either side; an image is 16 points plus 4 on either side), 24 at least.
//
// Clicking the item's button (a press through Application::sendEvent, or performClick)
// shows the item's menu when it has one (see Application::popUpMenu, kind statusItem);
// otherwise it runs the button's action. The click does not activate the program.
//
// The status bar belongs to the world: StatusBar::system() is the current world's. An
// item belongs to the run that made it: once that run has ended the bar drops it (its
// window went with the process).

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/menu.h"
#include "platform/appkit/view.h"
#include "platform/appkit/window.h"
#include "platform/graphics/image.h"
#include "platform/runtime/process_run.h"

namespace platform {

namespace desktop {
class Desktop;
}

class StatusItem;

// The button a status item shows.
class StatusBarButton : public View {
public:
    explicit StatusBarButton(StatusItem& item) : item_(&item) {}

    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    const std::optional<Image>& image() const { return image_; }
    void setImage(std::optional<Image> image);
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(std::string tip) { toolTip_ = std::move(tip); }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    void setAction(std::function<void()> action) { action_ = std::move(action); }
    // What a click does: shows the item's menu, or runs the action. Nothing when disabled.
    void performClick();

    bool acceptsFirstMouse(const AppEvent*) const override { return true; }
    void mouseDown(const AppEvent& event) override;
    bool wantsUpdateLayer() const override { return true; }
    void updateLayer() override;
    std::optional<std::string> accessibilityRole() const override { return std::string("AXMenuBarItem"); }

private:
    friend class StatusItem;
    void click(const AppEvent& event);

    StatusItem* item_;
    std::string title_;
    std::optional<Image> image_;
    std::string toolTip_;
    bool enabled_ = true;
    std::function<void()> action_;
};

class StatusItem : public std::enable_shared_from_this<StatusItem> {
public:
    static constexpr double variableLength = -1;
    static constexpr double squareLength = -2;

    ~StatusItem();

    double length() const { return length_; }
    void setLength(double length);
    StatusBarButton& button() const { return *button_; }
    const std::shared_ptr<Menu>& menu() const { return menu_; }
    void setMenu(std::shared_ptr<Menu> menu) { menu_ = std::move(menu); }
    bool isVisible() const { return visible_; }
    void setVisible(bool visible);
    // The item's window in the menu bar.
    Window& window() const { return *window_; }
    // The width it takes in the bar.
    double width() const;
    // As a click on the button.
    void performClick() { button_->performClick(); }

private:
    friend class StatusBar;
    friend class StatusBarButton;
    explicit StatusItem(double length);
    void contentChanged();

    double length_;
    std::shared_ptr<StatusBarButton> button_;
    std::shared_ptr<Panel> window_;
    std::shared_ptr<Menu> menu_;
    bool visible_ = true;
};

class StatusBar {
public:
    static constexpr double kThickness = 24;
    // Room left right of the items for the clock and the system's own items.
    static constexpr double kRightMargin = 120;

    // The status bar of the current world; aborts without one.
    static StatusBar& system();

    double thickness() const { return kThickness; }
    std::shared_ptr<StatusItem> statusItem(double length);
    void removeStatusItem(StatusItem& item);
    // The items of runs that go on, oldest first.
    std::vector<std::shared_ptr<StatusItem>> items();
    // The items of one run, oldest first; none once it has ended.
    std::vector<std::shared_ptr<StatusItem>> itemsOf(const std::shared_ptr<ProcessRun>& run);
    // Places every visible item again.
    void layOut();

private:
    // The world makes its status bar, as its per-world state.
    friend class desktop::Desktop;
    explicit StatusBar(desktop::Desktop& world) : world_(world) {}
    void dropItemsOfEndedRuns();

    struct Entry {
        std::shared_ptr<StatusItem> item;
        std::shared_ptr<ProcessRun> owner;
    };
    desktop::Desktop& world_;
    std::vector<Entry> entries_;
};

}  // namespace platform
