#include "settings/window/advanced_tab.h"

#include <optional>

#include "app/dock/dock_genie.h"
#include "platform/ui/controls.h"
#include "platform/ui/state.h"
#include "platform/ui/views.h"
#include "settings/window/animation_menu.h"
#include "settings/window/preferences_state.h"
#include "settings/window/tab_column.h"

namespace furlpane {

namespace ui = platform::ui;

namespace {

using State = std::shared_ptr<PreferencesState>;

// The menus show the animation in effect; a pick is stored as the choice.
ui::Binding<ThumbnailAnimation> thumbnailSelection(const State& s) {
    return s->bind<ThumbnailAnimation>(&Preferences::effectiveThumbnailAnimation,
                                       [](Preferences& p, ThumbnailAnimation a) { p.setChosenThumbnailAnimation(a); });
}

ui::Binding<TitleStripAnimation> titleStripSelection(const State& s) {
    return s->bind<TitleStripAnimation>(&Preferences::effectiveTitleStripAnimation,
                                        [](Preferences& p, TitleStripAnimation a) { p.setChosenTitleStripAnimation(a); });
}

ui::View animationChoices(const State& s) {
    const Preferences& p = *s->preferences;
    const NoneEntry none = p.dockSettingsToPutBack() ? NoneEntry::offered : NoneEntry::absent;
    const ui::View menus =
        ui::Grid({ui::GridRow({AnimationMenu<ThumbnailAnimation>("Minimize-In-Place:", thumbnailSelection(s), none)}),
                  ui::GridRow({AnimationMenu<TitleStripAnimation>("Furlpane:", titleStripSelection(s), none)})},
                 {.alignment = ui::Alignment::leading(), .horizontalSpacing = 8, .verticalSpacing = 10});
    const ui::View instead = ui::VStack(
        {ui::Toggle("Show an animation instead:",
                    s->bind<bool>(&Preferences::animatesTransitions, &Preferences::setAnimatesTransitions)),
         menus.padding(ui::leadingEdge, kNoteIndent).disabled(!p.animatesTransitions())},
        {.alignment = ui::HorizontalAlignment::leading, .spacing = kTabRowSpacing});
    return instead.padding(ui::leadingEdge, kNoteIndent).disabled(!p.concealsMinimizeAnimation());
}

ui::View instantDockSwitch(const State& s) {
    const std::shared_ptr<Preferences> p = s->preferences;
    return ui::Toggle("Make the Dock minimize and restore windows instantly",
                      ui::Binding<bool>([p] { return p->dockSettingsToPutBack().has_value(); },
                                        [p](bool on) { AdvancedTab::setInstantDockMinimize(*p, on); }));
}

ui::View rows(const State& s) {
    return tabColumn({
        ui::Toggle("Hide the Dock’s minimize and restore animations",
                   s->bind<bool>(&Preferences::concealsMinimizeAnimation, &Preferences::setConcealsMinimizeAnimation)),
        animationChoices(s),
        instantDockSwitch(s),
        note("This applies to all applications, and puts each minimized window in its application’s Dock icon. It "
             "changes the Dock’s own settings, so the Dock restarts when this is turned on or off, and turning it off "
             "puts them back. While it’s on, both animation menus above also offer None."),
        ui::Divider(),
        ui::Toggle("Play sounds for Furlpane, Minimize-In-Place, and Float On Top",
                   s->bind<bool>(&Preferences::playsSounds, &Preferences::setPlaysSounds)),
        ui::Divider(),
        ui::Toggle("Thumbnails and shaded windows stay put in Mission Control",
                   s->bind<bool>(&Preferences::standInsStayPut, &Preferences::setStandInsStayPut)),
        note("This also applies to App Exposé and Show Desktop."),
    });
}

}  // namespace

ui::View AdvancedTab::body() const { return ui::WithState<PreferencesState>(rows); }

void AdvancedTab::setInstantDockMinimize(Preferences& preferences, bool on) {
    if (on) {
        DockGenie::applyDockSettings(preferences, DockGenie::kDockDomain, DockGenie::restartDock);
    } else {
        DockGenie::putBackDockSettings(preferences, DockGenie::kDockDomain, DockGenie::restartDock);
    }
}

}  // namespace furlpane
