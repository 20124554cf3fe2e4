#pragma once

// The settings window's "Minimize-In-Place" tab: how thumbnails look and behave (size,
// magnification under the pointer, opacity, floating, single-click restore, the
// application's icon, the title under the pointer and the line along a screen edge).
// Every control reads and writes a setting of the shared Preferences at once.
//
// The Magnify slider shows the larger of the magnification and the size, and runs from
// the size to 2.0: moving the size slider moves its lower end and writes nothing to the
// magnification. It is disabled while magnifying is off or the size leaves no room.

#include "platform/ui/view.h"

namespace furlpane {

class MinimizeInPlaceTab {
public:
    static constexpr double kLargestScale = 2.0;

    platform::ui::View body() const;
};

}  // namespace furlpane
