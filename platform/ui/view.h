#pragma once

// The view value of the declarative toolkit.
//
// A View describes a piece of the interface: it is cheap to copy and never changes.
// Bodies build a fresh tree of them at every rebuild; the host (host.h) turns the tree
// into placed, drawn and clickable nodes, keeping each view's state (state.h) by its
// place in the tree or its explicit id. Modifiers return a new view that wraps this one,
// so their order matters as it reads: `.padding(20).frame(...)` pads first, then frames.
//
// Three kinds of modifier:
// - layout: padding, frames, fixed size, overlays and backgrounds;
// - environment: fonts, styles, the enabled state and the like pass down to every view
//   inside (disabled(true) disables every control in the subtree, whatever it says);
// - attributes of the view itself: tag, help (its tooltip), keyboard shortcut, id,
//   accessibility label, the appear and disappear hooks and tasks, and presentations
//   (sheets, alerts, the file-import dialog) tied to it.

#include <concepts>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/result.h"
#include "platform/runtime/task.h"
#include "platform/ui/binding.h"
#include "platform/ui/style.h"
#include "platform/ui/tag.h"

namespace platform {
class Window;
}

namespace platform::ui {

namespace detail {
class Node;
struct Scope;
}  // namespace detail

// What every view description is; the toolkit's primitives derive from it.
class Element {
public:
    virtual ~Element() = default;
    virtual std::unique_ptr<detail::Node> resolve(detail::Scope& scope) const = 0;
};

inline constexpr double infinity = std::numeric_limits<double>::infinity();

// A frame that is as large as offered within bounds. A dimension without bounds takes
// its content's size. With only a minimum, the frame is at least that and otherwise as
// large as its content or the offer allows; with only a maximum, at most that and at
// least its content's size.
struct FlexibleFrame {
    std::optional<double> minWidth{};
    std::optional<double> idealWidth{};
    std::optional<double> maxWidth{};
    std::optional<double> minHeight{};
    std::optional<double> idealHeight{};
    std::optional<double> maxHeight{};
    Alignment alignment{};
};

enum class ButtonRole { none, cancel, destructive };

struct AlertButton {
    std::string title;
    ButtonRole role = ButtonRole::none;
    std::function<void()> action;
};

class View {
public:
    // An empty view: it takes no space and draws nothing.
    View();
    explicit View(std::shared_ptr<const Element> element) : element_(std::move(element)) {}
    // A view made of others: anything with a body() giving a View stands for that view.
    template <class V>
        requires requires(const V& v) {
            { v.body() } -> std::convertible_to<View>;
        }
    View(const V& view) : View(view.body()) {}
    const std::shared_ptr<const Element>& element() const { return element_; }

    // ---- Layout
    View padding(double length) const;
    View padding(uint8_t edges, double length) const;
    View padding(EdgeInsets insets) const;
    // A fixed width and/or height; the other dimension follows the content.
    View frame(std::optional<double> width, std::optional<double> height, Alignment alignment = {}) const;
    View frame(const FlexibleFrame& frame) const;
    // The content's ideal size in the given directions, whatever is offered.
    View fixedSize(bool horizontal = true, bool vertical = true) const;
    View overlay(View content, Alignment alignment = {}) const;
    View background(View content, Alignment alignment = {}) const;
    // How a grid aligns the column this cell is in.
    View gridColumnAlignment(HorizontalAlignment alignment) const;
    // Identity: state and presence are kept by id rather than by place.
    View id(std::string id) const;

    // ---- Environment
    View font(Font font) const;
    View foregroundStyle(Style style) const;
    // Disabling is inherited and cannot be undone inside: disabled(false) leaves the
    // surrounding state as it is.
    View disabled(bool disabled) const;
    View controlSize(ControlSize size) const;
    View buttonStyle(ButtonStyle style) const;
    View toggleStyle(ToggleStyle style) const;
    View labelsHidden() const;
    View menuIndicatorHidden() const;
    View lineLimit(std::optional<int> lines) const;
    View strikethrough(bool on = true) const;
    View monospacedDigit() const;
    View monospaced() const;
    View environment(std::function<void(Environment&)> change) const;

    // ---- Attributes
    template <class T>
    View tag(T value) const {
        return withTag(Tag::of(std::move(value)));
    }
    View withTag(Tag tag) const;
    // The tooltip; an empty text shows none.
    View help(std::string text) const;
    View keyboardShortcut(KeyboardShortcut shortcut) const;
    // The name tests and accessibility know the view by, in place of its own text.
    View accessibilityLabel(std::string label) const;

    // ---- Lifecycle: called when the view joins the tree and when it leaves it. A task
    // starts when the view appears and is cancelled when it disappears.
    View onAppear(std::function<void()> action) const;
    View onDisappear(std::function<void()> action) const;
    View task(std::function<Task<void>()> body) const;
    // Called with the window the view is shown in, when it is first shown there.
    View onWindow(std::function<void(const std::shared_ptr<Window>&)> action) const;

    // ---- Presentations
    // A sheet over the window, shown while `isPresented` reads true. Its content's
    // environment dismisses it by writing false.
    View sheet(Binding<bool> isPresented, std::function<View()> content) const;
    // An alert presented while `isPresented` reads true; any button (or another way of
    // dismissing it) writes false after running the button's action. Without buttons
    // the alert shows "OK".
    View alert(std::string title, Binding<bool> isPresented, std::vector<AlertButton> buttons,
               std::string message) const;
    // The system's file dialog for one file of the given content types (content_types in
    // platform/appkit/open_panel.h), shown while `isPresented` reads true. A chosen file
    // or a failure reaches `completion` on the main thread; a cancelled dialog calls
    // nothing. Closing the dialog writes false.
    View fileImporter(Binding<bool> isPresented, std::vector<std::string> contentTypes,
                      std::function<void(Result<std::filesystem::path>)> completion) const;

private:
    std::shared_ptr<const Element> element_;
};

}  // namespace platform::ui
