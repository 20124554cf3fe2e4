#pragma once

// A display link: calls its handler on the main thread once per refresh of one display,
// for drawing that has to keep pace with the screen.
//
// What it promises:
// - It fires at the display's refresh rate as read when the link is made (the screen's
//   maximumFramesPerSecond), on the main loop's clock: the first call one refresh
//   interval after it is added to a mode, then one every interval. A refresh the loop
//   could not serve in time is dropped, not made up for, as a real display drops a frame.
// - It fires only in the run-loop modes it was added to (as a timer does); add it to
//   the common modes and to "dockmsg-mode" to keep drawing while the program waits on a
//   window's trip to or from the Dock.
// - While its display is gone (unplugged, removed from the world) it stays silent; it
//   fires again should the display come back. A link made for a display that is not
//   there is not made at all.
// - A paused link does not call its handler; invalidate stops it for good and drops the
//   handler. Invalidating from inside the handler is allowed.
// - The link belongs to the run that makes it: once that run has ended it never fires
//   again and counts as invalidated.
//
// Main thread only.

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/appkit/screen.h"
#include "platform/runtime/main_loop.h"

namespace platform {

class DisplayLink : public std::enable_shared_from_this<DisplayLink> {
public:
    // The moment of the refresh being served and of the one after it, on the loop's clock.
    struct Frame {
        double timestamp = 0;
        double targetTimestamp = 0;
    };
    using Handler = Handover<void(const Frame&)>;

    // None when the screen's display is not there.
    static std::shared_ptr<DisplayLink> make(const Screen& screen, Handler handler);
    ~DisplayLink();

    uint32_t displayNumber() const { return display_; }
    double framesPerSecond() const { return framesPerSecond_; }
    // Schedules the link in the loop's mode (kCommon: every common mode).
    void add(MainLoop& loop, const RunLoopMode& mode);
    bool isPaused() const { return paused_; }
    void setPaused(bool paused) { paused_ = paused; }
    bool isValid() const { return handler_.isLive(); }
    void invalidate();
    // Calls made to the handler so far.
    int frameCount() const { return frames_; }

    DisplayLink(uint32_t display, double framesPerSecond, Handler handler);

private:
    void fire();

    uint32_t display_;
    double framesPerSecond_;
    Handler handler_;
    std::shared_ptr<Timer> timer_;
    bool paused_ = false;
    int frames_ = 0;
};

}  // namespace platform
