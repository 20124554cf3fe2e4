#include "settings/window/bug_report.h"

#include "app/updates/version.h"
#include "platform/services/url.h"
#include "platform/ui/scene.h"
#include "platform/ui/views.h"
#include "settings/window/round_buttons.h"

namespace furlpane {

namespace ui = platform::ui;

ui::View BugReportButton::body() const {
    if (!isPreReleaseVersion(runningVersionString())) return ui::EmptyView();
    return ui::View(RoundImageButton{"ladybug", "Report a bug", [] { openBugReportPage(); }}).help(kToolTip);
}

void BugReportButton::openBugReportPage() {
    if (platform::formsURL(kPageAddress)) ui::openURL(kPageAddress);
}

}  // namespace furlpane
