#pragma once

// The bug-report page of the program's maker, opened in the user's browser by the
// application's "Report a Bug" command (and, in pre-release builds, by the round
// ladybug button of the General tab).

namespace furlpane {

class BugReportButton {
public:
    static constexpr const char* kPageAddress = "https://www.brindlewick.com/furlpane-novan/report-a-bug";

    // Hands the page to the workspace; what the workspace answers is not looked at.
    static void openBugReportPage();
};

}  // namespace furlpane
