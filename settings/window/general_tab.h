#pragma once

// The settings window's "General" tab. Its rows are still to come; until then the tab is
// empty.

#include "platform/ui/view.h"

namespace furlpane {

class GeneralSettingsTab {
public:
    platform::ui::View body() const;
};

}  // namespace furlpane
