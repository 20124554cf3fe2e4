#pragma once

// The float badge over another application's floating window: a 16-point panel that
// sits on the window's title bar and follows the window as it moves.
//
// Following polls the window server's bounds of the window four times a second while
// the window rests, and sixty times a second while a move is likely: for half a second
// after it was shown, after any left mouse-down (in any application, seen through the
// program's global and local mouse monitors), while a mouse button is held, and after
// the window last moved. A badge that does not fit the window is ordered out rather than
// drawn in part. Without the private bounds call the badge is placed only by show and
// follow.
//
// Made by the changed window through create; close and release stop following first.
// Main thread only.

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/appkit/window.h"
#include "platform/events/event_monitor.h"
#include "platform/geometry/geometry.h"
#include "platform/runtime/main_loop.h"
#include "windows/changed/float_badge.h"

namespace furlpane {

class FloatBadgePanel : public platform::Panel {
public:
    static constexpr double kSlowInterval = 0.25;
    static constexpr double kQuickInterval = 1.0 / 60;
    // How long following stays quick after something that may move the window.
    static constexpr double kHurry = 0.5;

    // The panel of a badge, ordered out and following nothing: non-activating, clear,
    // without shadow, ignoring the mouse, at the floating level, transient and out of the
    // window cycle; its content view draws the badge.
    static std::shared_ptr<FloatBadgePanel> create(FloatBadge badge);
    ~FloatBadgePanel() override;

    bool canBecomeKeyWindow() const override { return false; }
    bool canBecomeMainWindow() const override { return false; }
    void close() override;

    const FloatBadge& badge() const { return badge_; }
    void setBadge(FloatBadge badge) { badge_ = badge; }
    const std::optional<std::uint32_t>& windowID() const { return windowID_; }
    // The window's frame last followed (top-left).
    const std::optional<platform::Rect>& windowFrame() const { return windowFrame_; }
    bool isFollowingQuickly() const { return isFollowingQuickly_; }
    bool isFollowing() const { return timer_ != nullptr; }
    // Loop time until which following stays quick.
    double hurriedUntil() const { return hurriedUntil_; }

    // Starts following the window (its frame, top-left, or the window server's bounds
    // when it has them): the badge shows at once, quick following for half a second.
    void show(std::uint32_t windowID, const platform::Rect& frame);
    // Puts the badge on the window at that frame (top-left), or orders it out when there
    // is no window or the badge does not fit.
    void follow(const platform::Rect& frame);
    // Installs the mouse monitors (once) and follows quickly.
    void watchMouse();
    // Polls at the quick or the slow interval; nothing when it already does.
    void startTimer(bool quick);
    // Stops the timer and removes the monitors.
    void stopFollowing();
    // Stops following, forgets the window and orders the panel out; the panel stays for
    // later use.
    void putAway();

private:
    struct Key {};

public:
    FloatBadgePanel(const Key&, FloatBadge badge);

private:
    void tick();
    void hurry();

    FloatBadge badge_;
    std::optional<std::uint32_t> windowID_;
    std::optional<platform::Rect> windowFrame_;
    std::shared_ptr<platform::Timer> timer_;
    bool isFollowingQuickly_ = false;
    double hurriedUntil_ = 0;
    platform::EventMonitor::Token mouseDowns_;
    platform::EventMonitor::Token ownMouseDowns_;
};

}  // namespace furlpane
