#include "settings/window/minimize_in_place_tab.h"

#include "settings/window/tab_column.h"

namespace furlpane {

platform::ui::View MinimizeInPlaceTab::body() const { return tabColumn({}); }

}  // namespace furlpane
