#include "settings/window/settings_view.h"

#include <memory>
#include <vector>

#include "platform/ui/state.h"
#include "platform/ui/views.h"
#include "settings/window/actions_tab.h"
#include "settings/window/advanced_tab.h"
#include "settings/window/general_tab.h"
#include "settings/window/minimize_in_place_tab.h"
#include "settings/window/updates_tab.h"

namespace furlpane {

namespace ui = platform::ui;

namespace {

struct SettingsViewState {
    ui::State<SettingsTab> selection{SettingsView::initialSelection()};
};

}  // namespace

ui::View tabContent(SettingsTab tab) {
    switch (tab) {
    case SettingsTab::general: return GeneralSettingsTab();
    case SettingsTab::actions: return ActionsTab();
    case SettingsTab::minimizeInPlace: return MinimizeInPlaceTab();
    case SettingsTab::advanced: return AdvancedTab();
    case SettingsTab::updates: return UpdatesTab();
    }
    return ui::EmptyView();
}

ui::View SettingsView::body() const {
    return ui::WithState<SettingsViewState>([](const std::shared_ptr<SettingsViewState>& state) {
        std::vector<ui::Tab> tabs;
        for (SettingsTab tab : kSettingsTabs) {
            tabs.push_back(ui::makeTab(label(tab), symbolName(tab), tab, [tab] { return tabContent(tab); }));
        }
        return ui::TabView(state->selection.binding(), std::move(tabs))
            .frame(kWidth, std::nullopt)
            .frame({.minHeight = kMinimumHeight});
    });
}

}  // namespace furlpane
