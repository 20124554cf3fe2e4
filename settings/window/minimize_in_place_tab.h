#pragma once

// The settings window's "Minimize-In-Place" tab. Its rows are still to come; until then the tab is
// empty.

#include "platform/ui/view.h"

namespace furlpane {

class MinimizeInPlaceTab {
public:
    platform::ui::View body() const;
};

}  // namespace furlpane
