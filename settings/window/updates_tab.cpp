#include "settings/window/updates_tab.h"

#include <memory>

#include "app/updates/version.h"
#include "app/updates/vesk_updater.h"
#include "platform/ui/controls.h"
#include "platform/ui/state.h"
#include "platform/ui/views.h"
#include "settings/window/tab_column.h"

namespace furlpane {

namespace ui = platform::ui;

namespace {

struct UpdatesState {
    std::shared_ptr<VESKUpdater> updater = VESKUpdater::shared().shared_from_this();
};

using State = std::shared_ptr<UpdatesState>;

ui::View statusRow(const VESKUpdater& updater) {
    const auto line = UpdatesTab::statusLine(updater);
    if (!line) return ui::EmptyView();
    const ui::View text = ui::Text(line->text).font(ui::Font::caption());
    if (!line->isProblem) return text.foregroundStyle(ui::Style::secondary());
    return text.foregroundStyle(ui::Style::orange()).lineLimit(UpdatesTab::kProblemLines);
}

ui::View automaticUpdateControls(const State& s) {
    const std::shared_ptr<VESKUpdater> updater = s->updater;
    return ui::Group({
        ui::Toggle("Automatically check for updates",
                   ui::Binding<bool>::of(updater, &VESKUpdater::checksAutomatically, &VESKUpdater::setChecksAutomatically)),
        ui::Button("Check for Updates…", [updater] { updater->controller().updater().checkForUpdates(); })
            .controlSize(ui::ControlSize::small)
            .disabled(!updater->canCheckForUpdates()),
        statusRow(*updater),
    });
}

ui::View betaUpdatesToggle(const State& s) {
    const std::shared_ptr<VESKUpdater> updater = s->updater;
    const bool preRelease = isPreReleaseVersion(runningVersionString());
    return ui::Group({
        ui::Divider(),
        ui::Toggle("Include beta releases",
                   ui::Binding<bool>::of(updater, &VESKUpdater::receivesBetaUpdates, &VESKUpdater::setReceivesBetaUpdates))
            .disabled(preRelease),
        note(preRelease ? "You’re running a beta, so beta releases are always included. To stop getting them, install a "
                          "regular release."
                        : "Beta releases get new features first and may have more bugs. You’ll still be offered every "
                          "regular release."),
    });
}

}  // namespace

std::optional<UpdatesTab::StatusLine> UpdatesTab::statusLine(const VESKUpdater& updater) {
    if (auto problem = updater.configurationProblem()) return StatusLine{std::move(*problem), true};
    if (const auto& date = updater.lastCheckDate()) return StatusLine{lastCheckedText(*date), false};
    return std::nullopt;
}

ui::View UpdatesTab::body() const {
    return ui::WithState<UpdatesState>([](const State& s) { return tabColumn({automaticUpdateControls(s), betaUpdatesToggle(s)}); });
}

}  // namespace furlpane
