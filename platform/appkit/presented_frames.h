#pragma once

// Every frame a texture layer presents, for a tool that keeps them (the session's
// --frames): the watcher gets each frame's picture as the screen shows it, at the moment
// it is presented. It belongs to the simulated desktop's side; programs present frames
// and never see this. One watcher per process; main thread.

#include <functional>

#include "platform/graphics/image.h"

namespace platform {

using PresentedFrameWatcher = std::function<void(const Image& frame)>;

// Null stops watching.
void watchPresentedFrames(PresentedFrameWatcher watcher);

namespace detail {
// Whether a watcher is set (texture_layer.cpp reads frames back only then), and telling it.
bool isWatchingPresentedFrames();
void framePresented(const Image& frame);
}  // namespace detail

}  // namespace platform
