#pragma once

// The panel that stands on screen in place of a changed window of another application
// (StandInPanel), and its content view (StandInView): a title strip, a thumbnail, a live
// copy, or the whole window's picture while a change is under way.
//
// The panel never becomes key or main, so a click on a stand-in leaves the user's focus
// where it was; it is non-activating and, unless the user asked stand-ins to stay put in
// Mission Control, managed by it. The changed-window object makes it (create), sets its
// level and frame, and fills the view's fields; the view draws from them and turns the
// mouse into reports to the panel's delegate (StandInPanelDelegate), which the changed
// window provides. The panel knows nothing of actions or rules.
//
// Coordinates. The view is not flipped. Everything the view is given in its own space (the
// buttons' rectangles, a thumbnail layout, the badge's rectangle) is in top-left view
// coordinates: origin at its top-left corner, y downwards; a rectangle r of that space
// lies in a layer at (r.minX, height − r.maxY, r.width, r.height). Screen positions are
// AppKit's unless a rule names top-left ones; flipRect converts between the two.
//
// The press. A press runs idle → pressed (mouse-down) → dragging, or handled (a
// double-click, acted on at once) → idle again at the mouse-up. A press on a button's
// rectangle grown by 2 points is that button's, and clicks it when released within the
// same grown rectangle; a press elsewhere may drag the panel once the pointer has moved 3
// points (only within dragBandHeight of the top edge). Hover changes are frozen while a
// press is under way and while the changed window holds them, and are looked at again
// from the pointer's place when the press ends and when the panel is shown or hidden.
//
// Every report goes to the delegate, held weakly; without one the reports are dropped,
// but the press still ends. Main thread only (each overridden operation checks it).

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>

#include "platform/appkit/animation.h"
#include "platform/appkit/menu.h"
#include "platform/appkit/view.h"
#include "platform/appkit/window.h"
#include "platform/geometry/geometry.h"
#include "platform/graphics/color_space.h"
#include "platform/graphics/image.h"
#include "windows/access/target_window.h"
#include "windows/changed/float_badge.h"
#include "windows/changed/thumbnail_layout.h"

namespace furlpane {

class StandInPanel;

// Converts a rectangle between AppKit screen coordinates and top-left ones, either way:
// (minX, H − maxY, width, height), H the maxY of the first screen's frame (0 without
// screens).
platform::Rect flipRect(const platform::Rect& r);

// How much of a dragged stand-in must stay on screen: only its top edge below the top of
// the usable frame, or the whole panel inside the usable frame.
enum class StandInKeptOnScreen { top, whole };

// What a stand-in reports to the changed window it stands for. Each report comes on the
// main thread with the panel that reports.
class StandInPanelDelegate {
public:
    virtual ~StandInPanelDelegate() = default;
    // A mouse-down with a click count of exactly 2 that began on no button.
    virtual void standInDoubleClicked(StandInPanel& panel, std::uint64_t modifierFlags) = 0;
    // The mouse-up of a single click that began on no button and did not drag.
    virtual void standInClicked(StandInPanel& panel, std::uint64_t modifierFlags) = 0;
    // The mouse-up inside the pressed button's rectangle grown by 2 points.
    virtual void standInButtonClicked(StandInPanel& panel, WindowButton button) = 0;
    // The mouse-up that ends a drag.
    virtual void standInDragEnded(StandInPanel& panel) = 0;
    // The pointer came onto the stand-in or left it.
    virtual void standInHoverChanged(StandInPanel& panel, bool hovered) = 0;
    // The context menu for a right-click, or for a Control-click (isControlClick); none
    // lets a Control-click go on as a click.
    virtual std::shared_ptr<platform::Menu> standInMenu(StandInPanel& panel, bool isControlClick) = 0;
};

class StandInView : public platform::View {
public:
    // The application icon drawn at the size last asked for.
    struct IconBitmap {
        platform::Image image;
        int pixels = 0;
        platform::ColorSpace space;
    };

    explicit StandInView(const platform::Rect& frame);

    // ---- What the changed window gives it. Each change marks what it affects for the
    // next display cycle.
    const std::map<WindowButton, platform::Rect>& buttons() const { return buttons_; }
    void setButtons(std::map<WindowButton, platform::Rect> buttons) { buttons_ = std::move(buttons); }
    // A press may drag the panel only within this distance of the view's top edge.
    double dragBandHeight() const { return dragBandHeight_; }
    void setDragBandHeight(double height) { dragBandHeight_ = height; }
    StandInKeptOnScreen keptOnScreenWhenDragged() const { return keptOnScreen_; }
    void setKeptOnScreenWhenDragged(StandInKeptOnScreen kept) { keptOnScreen_ = kept; }
    const std::optional<platform::Image>& image() const { return image_; }
    void setImage(std::optional<platform::Image> image);
    const StandInLook& look() const { return look_; }
    void setLook(StandInLook look);
    const std::optional<platform::Image>& applicationIcon() const { return applicationIcon_; }
    // A new icon also forgets the bitmap drawn from the old one.
    void setApplicationIcon(std::optional<platform::Image> icon);
    const std::optional<IconBitmap>& iconBitmap() const { return iconBitmap_; }
    void resetIconBitmap() { iconBitmap_.reset(); }
    const std::optional<FloatBadge>& floatBadge() const { return floatBadge_; }
    void setFloatBadge(std::optional<FloatBadge> badge);
    // Set by the changed window while hover must not change.
    bool isHoverHeld() const { return isHoverHeld_; }
    void setHoverHeld(bool held) { isHoverHeld_ = held; }

    // ---- The layers it draws with.
    const std::shared_ptr<platform::Layer>& thumbnailLayer() const { return thumbnailLayer_; }
    const std::shared_ptr<platform::Layer>& iconLayer() const { return iconLayer_; }
    const std::shared_ptr<platform::Layer>& badgeLayer() const { return badgeLayer_; }

    // ---- The press under way.
    // The pointer's AppKit screen location at the mouse-down; none when no press is under way.
    const std::optional<platform::Point>& pressStart() const { return pressStart_; }
    // The panel's top-left corner (AppKit: minX, maxY) at that mouse-down.
    platform::Point topLeftAtPress() const { return topLeftAtPress_; }
    const std::optional<WindowButton>& pressedButton() const { return pressedButton_; }
    bool isDragging() const { return isDragging_; }
    bool isDragAllowed() const { return isDragAllowed_; }
    bool hasHandledPress() const { return hasHandledPress_; }
    bool isHovered() const { return isHovered_; }

    // Nothing while a press is under way, while hover is held, or when unchanged;
    // otherwise tells the delegate.
    void setHovered(bool hovered);
    // Ends the press and looks at hover again from the pointer's place.
    void endPress();
    // The application icon as a square bitmap of side × scale pixels (at least 1), in the
    // picture's colour space when that is RGB, else sRGB; the last one drawn is kept and
    // given again for the same pixels and space. None without an icon or when drawing
    // fails (the kept one stays).
    std::optional<platform::Image> iconImage(double side, double scale);

    // ---- AppKit's operations.
    bool wantsUpdateLayer() const override { return true; }
    bool isFlipped() const override { return false; }
    bool acceptsFirstMouse(const platform::AppEvent* event) const override;
    void viewDidChangeBackingProperties() override;
    void updateLayer() override;
    void layout() override;
    void setFrameSize(platform::Size size) override;
    void updateTrackingAreas() override;
    void mouseEntered(const platform::AppEvent& event) override;
    void mouseExited(const platform::AppEvent& event) override;
    void mouseDown(const platform::AppEvent& event) override;
    void mouseDragged(const platform::AppEvent& event) override;
    void mouseUp(const platform::AppEvent& event) override;
    std::shared_ptr<platform::Menu> menuForEvent(const platform::AppEvent& event) override;

private:
    StandInPanel* standInPanel() const;
    std::shared_ptr<StandInPanelDelegate> delegate() const;
    // A rectangle of the view's top-left space as its layers place it.
    platform::Rect layerRect(const platform::Rect& topLeft) const;
    // An event's location in the view's top-left space.
    platform::Point topLeftLocation(const platform::AppEvent& event) const;
    std::optional<WindowButton> buttonAt(platform::Point topLeft) const;
    void layOutBadge(double scale);
    void layOutThumbnail(const ThumbnailLayout& layout, double scale);
    void dragTo(platform::Point pointer);

    std::map<WindowButton, platform::Rect> buttons_;
    double dragBandHeight_ = std::numeric_limits<double>::max();
    StandInKeptOnScreen keptOnScreen_ = StandInKeptOnScreen::top;
    std::optional<platform::Image> image_;
    StandInLook look_ = StandInLook::whole();
    std::shared_ptr<platform::Layer> thumbnailLayer_;
    std::shared_ptr<platform::Layer> iconLayer_;
    std::shared_ptr<platform::Layer> badgeLayer_;
    std::optional<platform::Point> pressStart_;
    platform::Point topLeftAtPress_{};
    std::optional<WindowButton> pressedButton_;
    bool isDragging_ = false;
    bool isDragAllowed_ = false;
    bool hasHandledPress_ = false;
    std::optional<platform::Image> applicationIcon_;
    std::optional<IconBitmap> iconBitmap_;
    std::optional<FloatBadge> floatBadge_;
    bool isHovered_ = false;
    bool isHoverHeld_ = false;
};

class StandInPanel : public platform::Panel {
public:
    using KeptOnScreen = StandInKeptOnScreen;
    // Whether stand-ins keep their place in Mission Control ("StayPutInMissionControl").
    enum class MissionControl { managed, staysPut };

    // Collection behaviours: managed, or stationary, each out of the window cycle and
    // without a full-screen role.
    static constexpr std::uint64_t kManagedBehavior =
        platform::managedBehavior | platform::ignoresCycleBehavior | platform::fullScreenNoneBehavior;  // 0x244
    static constexpr std::uint64_t kStationaryBehavior =
        platform::stationaryBehavior | platform::ignoresCycleBehavior | platform::fullScreenNoneBehavior;  // 0x250

    // A stand-in over a window's frame (top-left), ordered out, at the normal level:
    // non-activating, clear, with a shadow, never hiding nor released when closed, without
    // window animation, its view a StandInView of the frame's size.
    static std::shared_ptr<StandInPanel> create(const platform::Rect& windowFrame, MissionControl missionControl);

    bool canBecomeKeyWindow() const override { return false; }
    bool canBecomeMainWindow() const override { return false; }

    std::shared_ptr<StandInPanelDelegate> standInDelegate() const { return delegate_.lock(); }
    void setStandInDelegate(std::weak_ptr<StandInPanelDelegate> delegate) { delegate_ = std::move(delegate); }
    StandInView& canvas() const { return *canvas_; }

    // Frames the panel at a top-left rectangle, displayed at once, its shadow drawn anew.
    void placeAt(const platform::Rect& topLeft);
    // Orders the panel out (true) or to the front (false); then, unless a press is under
    // way or hover is held, the view's hover follows whether the pointer is over it.
    void setHidden(bool hidden);
    // The body of an animation group that moves the panel: the duration, ease-in-ease-out,
    // and the frame (AppKit) through the animator.
    void animateFrame(platform::AnimationContext& context, const platform::Rect& frame, double duration);
    // Invalidates the shadow in a task on the main thread (when the panel still exists),
    // then runs `then`.
    void refreshShadow(std::function<void()> then = {});

private:
    struct Key {};

public:
    StandInPanel(const Key&, const platform::Rect& contentRect);

private:
    std::weak_ptr<StandInPanelDelegate> delegate_;
    std::shared_ptr<StandInView> canvas_;
};

}  // namespace furlpane
