#include "settings/window/actions_tab.h"

#include "platform/appkit/open_panel.h"
#include "platform/services/bundle.h"
#include "platform/services/file_system.h"
#include "platform/ui/state.h"
#include "platform/ui/views.h"
#include "settings/window/application_list.h"
#include "settings/window/application_settings.h"

namespace furlpane {

namespace ui = platform::ui;

std::optional<std::string> ActionsTab::shownBundleIdentifier(const ActionRules& rules,
                                                             const std::optional<ApplicationSelection>& selection) {
    if (!selection || selection->isStandard()) return std::nullopt;
    if (!rules.ruleForBundleIdentifier(*selection->bundleIdentifier())) return std::nullopt;
    return selection->bundleIdentifier();
}

std::string ActionsTab::applicationName(const std::string& displayName) {
    const size_t dot = displayName.rfind('.');
    // A name that is only an extension (".app") keeps it: it would be left with none.
    if (dot == std::string::npos || dot == 0 || displayName.size() - dot != 4) return displayName;
    std::string extension = displayName.substr(dot + 1);
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension == "app" ? displayName.substr(0, dot) : displayName;
}

void ActionsTab::addApplicationFromFile(const ViewState& state, const std::filesystem::path& url) {
    const std::unique_ptr<platform::Bundle> bundle = platform::Bundle::create(url);
    if (!bundle) return;
    const std::optional<std::string> identifier = bundle->bundleIdentifier();
    // An empty identifier names no application a rule could be kept for.
    if (!identifier || identifier->empty()) return;
    // The program is never listed in its own rules.
    if (identifier == platform::Bundle::main().bundleIdentifier()) return;
    const std::string displayName = platform::FileManager::defaultManager().displayNameAtPath(url);
    state.rules->addApplication(*identifier, applicationName(displayName));
    state.selection.set(ApplicationSelection::application(*identifier));
}

ui::View ActionsTab::body() const {
    return ui::WithState<ViewState>([](const std::shared_ptr<ViewState>& state) {
        const std::optional<std::string> shown = shownBundleIdentifier(*state->rules, state->selection.get());
        const ui::View list =
            ui::View(ApplicationList(state->rules, state->selection.binding(), state->isChoosingApplication.binding()))
                .frame(kListWidth, std::nullopt);
        const ui::View settings = ui::View(ApplicationSettings(state->rules, shown))
                                      .frame({.maxWidth = ui::infinity, .alignment = ui::Alignment::topLeading()});
        return ui::HStack({list, ui::ScrollView(settings, ui::ScrollIndicators::visible)},
                          {.alignment = ui::VerticalAlignment::top, .spacing = kColumnSpacing})
            .padding(kInset)
            .fileImporter(state->isChoosingApplication.binding(), {platform::content_types::application},
                          [state](platform::Result<std::filesystem::path> chosen) {
                              if (chosen) addApplicationFromFile(*state, *chosen);
                          });
    });
}

}  // namespace furlpane
