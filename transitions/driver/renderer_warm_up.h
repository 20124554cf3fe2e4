#pragma once

// The shared transition renderer kept ready for the main display: warmed up once the
// program has started, and again whenever the screens change (a display added, removed,
// resized or given another scale: "NSApplicationDidChangeScreenParametersNotification"),
// so that a transition on the main display as it is now finds the main pass's
// attachments and its frame targets made instead of making them in its first frame.
//
// Each warm-up is StandInTransition::warmUpRenderer: it waits until no transition runs,
// so that it never takes the attachments of a transition still drawing. One that has not
// finished when the screens change again gives way to a new one.
//
// Main thread only.

#include "platform/notifications/notification_center.h"
#include "platform/runtime/task.h"

namespace furlpane {

class RendererWarmUp {
public:
    // Starts the first warm-up (on a later loop turn) and follows the screens until its end.
    RendererWarmUp();
    ~RendererWarmUp();
    RendererWarmUp(const RendererWarmUp&) = delete;
    RendererWarmUp& operator=(const RendererWarmUp&) = delete;

    // The warm-ups started so far, the first included.
    int started() const { return started_; }

private:
    void restart();

    platform::TaskHandle task_;
    platform::NotificationCenter::Token screens_;
    int started_ = 0;
};

}  // namespace furlpane
