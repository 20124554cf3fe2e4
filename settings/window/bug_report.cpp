#include "settings/window/bug_report.h"

#include "platform/ui/scene.h"

namespace furlpane {

void BugReportButton::openBugReportPage() { platform::ui::openURL(kPageAddress); }

}  // namespace furlpane
