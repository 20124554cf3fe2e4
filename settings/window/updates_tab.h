#pragma once

// The settings window's "Updates" tab: automatic checks, a check at once, the status of
// checking (why checks cannot work, in orange, else when the last check ran), and
// whether beta releases are offered. It shows and edits the shared VESKUpdater and
// keeps nothing of its own. A pre-release always takes beta releases, so there the beta
// switch is on, greyed, and its note says why.

#include <optional>
#include <string>

#include "platform/ui/view.h"

namespace furlpane {

class VESKUpdater;

class UpdatesTab {
public:
    static constexpr int kProblemLines = 3;

    platform::ui::View body() const;

    // What the status line says: the configuration problem, else the last check, else
    // nothing.
    struct StatusLine {
        std::string text;
        bool isProblem = false;
    };
    static std::optional<StatusLine> statusLine(const VESKUpdater& updater);
};

}  // namespace furlpane
