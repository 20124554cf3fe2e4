#pragma once

// The toolkit's controls: buttons, checkboxes and switches, pop-up pickers, menu
// buttons, single-selection lists, sliders, and AppKit views bridged in.
//
// A control reads its value through its binding whenever it is built and writes through
// it when the user changes it; it keeps no copy. A disabled control (disabled here or
// anywhere around it) is drawn greyed, still shows its value and reacts to nothing.
//
// Pickers and menu buttons open a real menu of the program (platform/appkit/menu.h),
// built from their items when opened: a `Text(...).tag(value)` is an item standing for
// that value, a Section adds a header over its items (and a separator between
// sections), a Divider a separator, and in a menu button a Button an item that runs its
// action. A picker shows the text of the item whose tag equals the value read; when none
// does it shows nothing chosen.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/ui/view.h"

namespace platform {
class View;
}

namespace platform::ui {

View Button(std::string title, std::function<void()> action, ButtonRole role = ButtonRole::none);
View Button(View label, std::function<void()> action, ButtonRole role = ButtonRole::none);

// A checkbox (or a switch, by toggleStyle) with its title beside it.
View Toggle(std::string title, Binding<bool> isOn);

// Items of pickers and menus.
View Section(std::string header, std::vector<View> items);

// A pop-up menu of the items; `label` shows before it unless labels are hidden.
View Picker(std::string label, Binding<Tag> selection, std::vector<View> items);
template <class T>
View Picker(std::string label, Binding<T> selection, std::vector<View> items) {
    Binding<Tag> tags([selection] { return Tag::of(selection.get()); },
                      [selection](Tag tag) {
                          if (const T* value = tag.as<T>()) selection.set(*value);
                      });
    return Picker(std::move(label), std::move(tags), std::move(items));
}

// A button that opens a menu of `items` (Buttons, Dividers, Sections).
View MenuButton(View label, std::vector<View> items);

// A bordered single-selection list of rows; a row's tag is the value a click on it
// writes. Nothing selected reads as an empty tag.
View List(Binding<Tag> selection, std::vector<View> rows);
template <class T>
View List(Binding<std::optional<T>> selection, std::vector<View> rows) {
    Binding<Tag> tags([selection] {
                          const std::optional<T> value = selection.get();
                          return value ? Tag::of(*value) : Tag();
                      },
                      [selection](Tag tag) {
                          const T* value = tag.as<T>();
                          selection.set(value ? std::optional<T>(*value) : std::nullopt);
                      });
    return List(std::move(tags), std::move(rows));
}

// A continuous slider between the bounds (no steps). A value outside them shows at the
// nearer end; bounds given the wrong way round, or not finite, make a slider that shows
// its lower end and writes nothing. Dragging the knob writes at every move.
View Slider(Binding<double> value, double lower, double upper);

// An AppKit view inside the tree: made once for its place, updated at every rebuild,
// and placed at the frame the layout gives it. Clicks over it go to the AppKit view.
struct AppKitViewDescription {
    // What tests and outlines call it.
    std::string name;
    std::function<std::shared_ptr<platform::View>()> make;
    // Called at every rebuild, and once after making.
    std::function<void(platform::View&)> update;
    // The size it takes for an offered size; its current frame size when not given.
    std::function<Size(std::optional<double> width, std::optional<double> height, platform::View&)> sizeThatFits;
};
View AppKitView(AppKitViewDescription description);

}  // namespace platform::ui
