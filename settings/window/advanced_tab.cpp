#include "settings/window/advanced_tab.h"

#include "settings/window/tab_column.h"

namespace furlpane {

platform::ui::View AdvancedTab::body() const { return tabColumn({}); }

}  // namespace furlpane
