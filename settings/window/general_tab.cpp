#include "settings/window/general_tab.h"

#include "settings/window/tab_column.h"

namespace furlpane {

platform::ui::View GeneralSettingsTab::body() const { return tabColumn({}); }

}  // namespace furlpane
