#pragma once

// The bug-report page of the program's maker, opened in the user's browser by the
// application's "Report a Bug" command in every build, and by the round ladybug button
// that pre-release builds show in the General tab's corner (a release shows nothing
// there and takes no space).

#include "platform/ui/view.h"

namespace furlpane {

class BugReportButton {
public:
    static constexpr const char* kPageAddress = "https://www.brindlewick.com/furlpane-novan/report-a-bug";
    static constexpr const char* kToolTip = "Report a bug in Furlpane Novan.";

    platform::ui::View body() const;

    // Hands the page to the workspace when its address forms a URL; what the workspace
    // answers is not looked at.
    static void openBugReportPage();
};

}  // namespace furlpane
