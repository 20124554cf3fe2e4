#include "settings/window/minimize_in_place_tab.h"

#include <algorithm>
#include <memory>
#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/state.h"
#include "platform/ui/views.h"
#include "settings/window/preferences_state.h"
#include "settings/window/scale_slider.h"
#include "settings/window/tab_column.h"

namespace furlpane {

namespace ui = platform::ui;

namespace {

using Reading = ScaleSlider::Reading;
using State = std::shared_ptr<PreferencesState>;

constexpr double kSmallestScale = 0.1;
constexpr double kSmallestOpacity = 0.1;

ui::View rowLabel(std::string text) {
    return ui::Text(std::move(text)).gridColumnAlignment(ui::HorizontalAlignment::trailing);
}

ui::View magnifySlider(const State& s) {
    const Preferences& p = *s->preferences;
    // The size's reading is held to 2.0, but its setter is not: a size set above 2.0
    // must not turn the range backwards.
    const double lower = std::min(p.thumbnailScale(), MinimizeInPlaceTab::kLargestScale);
    const bool disabled = !p.magnifiesThumbnails() || p.thumbnailScale() >= MinimizeInPlaceTab::kLargestScale;
    return ui::View(ScaleSlider(s->bind<double>(&Preferences::effectiveMagnification, &Preferences::setEffectiveMagnification),
                                lower, MinimizeInPlaceTab::kLargestScale, Reading::points))
        .disabled(disabled);
}

ui::View sliders(const State& s) {
    const auto scale = s->bind<double>(&Preferences::thumbnailScale, &Preferences::setThumbnailScale);
    const auto opacity = s->bind<double>(&Preferences::thumbnailOpacity, &Preferences::setThumbnailOpacity);
    const auto magnifies = s->bind<bool>(&Preferences::magnifiesThumbnails, &Preferences::setMagnifiesThumbnails);
    return ui::Grid(
        {ui::GridRow({rowLabel("Thumbnail size:"),
                      ScaleSlider(scale, kSmallestScale, MinimizeInPlaceTab::kLargestScale, Reading::points)}),
         ui::GridRow({ui::Toggle("Magnify:", magnifies).gridColumnAlignment(ui::HorizontalAlignment::trailing),
                      magnifySlider(s)}),
         ui::GridRow({rowLabel("Thumbnail opacity:"), ScaleSlider(opacity, kSmallestOpacity, 1.0, Reading::percent)})},
        {.alignment = ui::Alignment::leading(), .horizontalSpacing = 12, .verticalSpacing = 10});
}

// A pop-up menu without a label of its own, at its natural size; `name` is what
// accessibility and tests call it.
template <class T>
ui::View menu(const std::string& name, ui::Binding<T> value, std::vector<ui::View> items) {
    return ui::Picker(name, std::move(value), std::move(items)).labelsHidden().fixedSize();
}

ui::View iconRow(const State& s) {
    const Preferences& p = *s->preferences;
    const auto size = s->bind<double>(&Preferences::applicationIconSize, &Preferences::setApplicationIconSize);
    return ui::HStack(
        {ui::Toggle("Show the application’s icon:",
                    s->bind<bool>(&Preferences::showsApplicationIcon, &Preferences::setShowsApplicationIcon)),
         menu("Icon size", size,
              {ui::Text("Small").tag(32.0), ui::Text("Medium").tag(48.0), ui::Text("Large").tag(64.0)})
             .disabled(!p.showsApplicationIcon())});
}

ui::View hoverRow(const State& s) {
    const auto hover = s->bind<HoverTitle>(&Preferences::hoverTitle, &Preferences::setHoverTitle);
    return ui::HStack({ui::Text("Under the pointer, show:"),
                       menu("Under the pointer", hover,
                            {ui::Text("Nothing").tag(HoverTitle::none), ui::Text("Window Title").tag(HoverTitle::windowTitle),
                             ui::Text("Application Name").tag(HoverTitle::applicationName),
                             ui::Text("Both").tag(HoverTitle::both)})});
}

ui::View arrangementRow(const State& s) {
    const Preferences& p = *s->preferences;
    const auto order = s->bind<ThumbnailOrder>(&Preferences::thumbnailOrder, &Preferences::setThumbnailOrder);
    using O = ThumbnailOrder;
    std::vector<ui::View> items{
        ui::Text("Left Edge, Starting at Top").tag(O::leftFromTop),
        ui::Text("Left Edge, Starting at Bottom").tag(O::leftFromBottom),
        ui::Text("Right Edge, Starting at Top").tag(O::rightFromTop),
        ui::Text("Right Edge, Starting at Bottom").tag(O::rightFromBottom),
        ui::Divider(),
        ui::Text("Top Edge, Starting at Left").tag(O::topFromLeft),
        ui::Text("Top Edge, Starting at Right").tag(O::topFromRight),
        ui::Text("Bottom Edge, Starting at Left").tag(O::bottomFromLeft),
        ui::Text("Bottom Edge, Starting at Right").tag(O::bottomFromRight),
    };
    return ui::HStack(
        {ui::Toggle("Arrange thumbnails along:",
                    s->bind<bool>(&Preferences::arrangesThumbnails, &Preferences::setArrangesThumbnails))
             .fixedSize(),
         menu("Arrangement", order, std::move(items)).disabled(!p.arrangesThumbnails())});
}

ui::View rows(const State& s) {
    return tabColumn({
        note("Minimize-In-Place turns a window into a thumbnail right where it is. Click the thumbnail to bring the "
             "window back, or drag it somewhere else. Option-click it to bring back every window of its application "
             "that is a thumbnail.",
             NoteKind::informs, NoteIndent::none),
        sliders(s),
        ui::Divider(),
        ui::Toggle("Thumbnails float above other windows",
                   s->bind<bool>(&Preferences::thumbnailsFloat, &Preferences::setThumbnailsFloat)),
        ui::Toggle("A single click restores a thumbnail’s window",
                   s->bind<bool>(&Preferences::singleClickRestores, &Preferences::setSingleClickRestores)),
        note("Otherwise it takes a double-click, and a single click only brings the thumbnail forward."),
        iconRow(s),
        hoverRow(s),
        ui::Divider(),
        arrangementRow(s),
        note("Each display has a line of its own. A thumbnail you drag somewhere else stays where you drop it, and the "
             "others line up around it."),
    });
}

}  // namespace

ui::View MinimizeInPlaceTab::body() const { return ui::WithState<PreferencesState>(rows); }

}  // namespace furlpane
