#pragma once

// How another application's window looks to the person at the screen, told from the
// world alone and from what the program announced, never from the program's insides:
//
// - gone: no open window has the title;
// - hidden: its application is hidden;
// - shaded, thumbnail: it is in the Dock, and the last announcement of its style said
//   rolled up (1) or minimized in place (7), made by an instance of the program that still
//   runs — a stand-in of that instance shows in its place;
// - docked: it is in the Dock otherwise (the user minimized it, or the instance that put
//   it there is gone);
// - floating: a panel of a running instance floats above it (the floating level, covering
//   most of the window): a live copy; or the live copy is set aside while the person works
//   in the window (a panel at the floating level, titled as the window, out of sight),
//   and comes back once the window loses focus;
// - normal: none of these.
//
// Several instances may run at once: each window's look comes from the instance that
// changed it last, whichever ran or ended since.
//
// Where it is seen: the window's own frame, except for a title strip or a thumbnail, which
// show where that instance's stand-in stands (a panel titled as the window, on the Space
// shown or another; without one, the window's frame). What shows it in the stacking
// order: that stand-in, a floating window's live copy (the window itself while the copy
// is set aside), or the window itself. Main thread.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/geometry/geometry.h"
#include "platform/notifications/distributed_notification_center.h"
#include "platform/scenario/script.h"

namespace platform::desktop {
class Desktop;
class Window;
}  // namespace platform::desktop

namespace platform::scenario {

inline constexpr const char* kStateChanged = "com.brindlewick.FurlpaneNovan.window-state-changed";
inline constexpr const char* kStateWillChange = "com.brindlewick.FurlpaneNovan.window-state-will-change";

class WindowLooks {
public:
    // A window covered by at least this share of a floating panel of the program floats.
    static constexpr double kFloatingCover = 0.8;

    explicit WindowLooks(desktop::Desktop& world) : world_(world) {}

    // Follows the styles the instance of the program with process `poster` announces.
    void note(const DistributedNotification& notification, int32_t poster);
    // Forgets what instances that no longer run announced: it no longer shows.
    void forgetEnded();
    // Forgets what was announced of windows that are not `open` (their numbers): they are
    // gone. Answers how many announcements it went through.
    size_t keepOnly(const std::set<uint32_t>& open);

    // The open window of another application with the title; the front-most first.
    desktop::Window* find(const std::string& title) const;
    WindowLook lookOf(const desktop::Window* window) const;
    Rect frameSeen(const desktop::Window& window, WindowLook look) const;
    // The window of the world that shows it now; null when nothing of it is on screen.
    const desktop::Window* shownBy(const desktop::Window& window, WindowLook look) const;

private:
    // The program's panel that stands for the window: a stand-in titled as it (on screen
    // or not), or the live copy floating over it on screen; null for none.
    const desktop::Window* standIn(const desktop::Window& window) const;
    const desktop::Window* liveCopy(const desktop::Window& window) const;
    // Its live copy is set aside while it has focus.
    bool setAside(const desktop::Window& window) const;

    struct Announced {
        int64_t style = 0;
        int32_t poster = 0;  // the announcing instance's process
    };
    // The announcement of the window's style, when its instance still runs.
    const Announced* announced(const desktop::Window& window) const;
    bool runs(int32_t pid) const;

    desktop::Desktop& world_;
    // The last style announced per window number.
    std::map<uint32_t, Announced> styles_;
};

}  // namespace platform::scenario
