#pragma once

// The system's dialog for choosing a file to open.
//
// Nothing waits for a person here: the person at the current world answers every panel
// (see simulated_user.h); without a world, or without an answer, the panel is
// cancelled. What the dialog would never let through is refused: a chosen file that
// does not exist, or is of none of the allowed content types, ends the panel with a
// failure that says why. The completion runs once, on a later loop turn.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/services/content_types.h"

namespace platform {

class Window;

struct OpenPanelResult {
    enum class Response { ok, cancel, failure };
    Response response = Response::cancel;
    std::vector<std::filesystem::path> urls;
    // Why the choice was refused, for `failure`.
    std::string failure;
};

class OpenPanel {
public:
    // Empty: any content type.
    std::vector<std::string> allowedContentTypes;
    bool allowsMultipleSelection = false;
    std::string message;

    // Shown attached to `window`; the window number is kept in the log.
    void beginSheetModal(Window& window, std::function<void(OpenPanelResult)> completion) const;
    // Shown on its own.
    void begin(std::function<void(OpenPanelResult)> completion) const;

private:
    void present(uint32_t window, std::function<void(OpenPanelResult)> completion) const;
};

}  // namespace platform
