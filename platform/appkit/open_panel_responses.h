#pragma once

// The simulated desktop's side of the file dialog: who chooses in it, and the record of
// every panel shown. Tests and the scenario player answer panels here; the program only
// shows them (open_panel.h).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/open_panel.h"

namespace platform {

// The files chosen in a panel; nothing cancels it.
using OpenPanelResponder = std::function<std::optional<std::vector<std::filesystem::path>>(const OpenPanel&)>;

struct OpenPanelRecord {
    std::vector<std::string> allowedContentTypes;
    // The window it was attached to; 0 for a panel on its own.
    uint32_t window = 0;
    OpenPanelResult result;
};

// For the current world; nothing without one.
void setOpenPanelResponder(OpenPanelResponder responder);
// Every panel shown in the current world, in order; empty without one.
std::vector<OpenPanelRecord> openPanelLog();

}  // namespace platform
