#pragma once

// The state an action leads a window to. The same action applied twice brings a window
// back to where it was, which is how one trigger both changes a window and puts it back.
//
//   current state        furlpane      minimizeInPlace   floatOnTop    minimizeToDock
//   none                 shaded        minimizedInPlace  floating off  none
//                                      (floating off)    ↔ on
//   shaded               none          minimizedInPlace  floating ↔    none
//   minimizedInPlace     shaded        none              none,         none
//                                                        floating on
//
// furlpane keeps the floating flag; minimizeInPlace into a thumbnail ends floating and out
// of one keeps it; minimizeToDock always ends at no style, not floating; hideApplication
// and doNothing change nothing. No action leads into a floating thumbnail.

#include "settings/model/triggers.h"
#include "windows/changed/window_state.h"

namespace furlpane {

WindowState applying(const WindowState& state, WindowAction action);

}  // namespace furlpane
