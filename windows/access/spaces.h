#pragma once

// Whether an application has windows on a Space that no display shows, through the
// window server's private Spaces calls ("CGSMainConnectionID",
// "CGSCopyManagedDisplaySpaces", "CGSCopySpacesForWindows"), looked up together once per
// process: all three, or none.

#include <cstdint>

namespace furlpane {

// True when the application has an off-screen window at layer 0 on a Space that is not
// shown on any display, and also when the Spaces calls are missing (it cannot be told
// otherwise). Windows that are off screen only because they are hidden or minimized on
// a shown Space do not count.
bool hasWindowsOnOtherSpace(int32_t pid);

// True when the window lies on a Space that no display shows. False when it lies on a
// shown Space or on every Space, and when that cannot be told (the Spaces calls missing
// or failing): a window is taken to stand where the user looks unless the window server
// says otherwise.
bool isOnOtherSpace(uint32_t window);

}  // namespace furlpane
