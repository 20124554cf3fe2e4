#include "settings/window/actions_tab.h"

#include "platform/ui/views.h"

namespace furlpane {

platform::ui::View ActionsTab::body() const { return platform::ui::EmptyView(); }

}  // namespace furlpane
