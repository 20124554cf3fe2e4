#pragma once

// The settings window's "Updates" tab. Its rows are still to come; until then the tab is
// empty.

#include "platform/ui/view.h"

namespace furlpane {

class UpdatesTab {
public:
    platform::ui::View body() const;
};

}  // namespace furlpane
