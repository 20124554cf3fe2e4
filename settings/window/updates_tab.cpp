#include "settings/window/updates_tab.h"

#include "settings/window/tab_column.h"

namespace furlpane {

platform::ui::View UpdatesTab::body() const { return tabColumn({}); }

}  // namespace furlpane
