#pragma once

// A host shows a view tree as the content of one of the program's windows.
//
// The host builds the tree from its root function, lays it out in the window's content
// and draws it into the content view's layer (text through FreeType, controls as simple
// flat shapes), so a picture of the window or of the desktop shows what a user would
// see. Everything the build read through observation (shared objects, view state,
// bindings' getters) is followed: after any change the tree is built again on a later
// loop turn, laid out and drawn. Reduce Motion is read from the workspace at every
// build and followed too, and so is the user's locale, in which numbers and dates are
// written.
//
// Input arrives as it does for any window of the program: injected clicks, drags and
// the scroll wheel reach the control under the pointer; Return presses the default
// button and Escape the cancel button of the key window's tree. While a sheet is shown,
// the window under it takes no clicks.
//
// Presentations are real: a sheet is a window attached to the host's window (or to the
// sheet it is presented over), an alert goes through the application's alerts, the file
// dialog through the open panel (platform/appkit/open_panel.h), a tooltip is a small
// window by the pointer after it rests a second over a view with help.
//
// Tests and tools find controls by kind and label (control.h) and read the tree as a
// text outline, one line per view, indented two spaces a level; wrappers (padding,
// frames) do not appear, and a sheet's tree follows the window's under "Sheet".
//
// Main thread only. The host holds its window. Closing the window takes the tree down on
// a later loop turn, as if every view had gone: disappear hooks run, tasks are
// cancelled, view state is dropped and sheets close; the host then shows nothing until
// it is dropped.

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/runtime/observation.h"
#include "platform/ui/control.h"
#include "platform/ui/view.h"

namespace platform {
class Timer;
class Window;
}  // namespace platform

namespace platform::ui {

namespace detail {
class Graph;
class Node;
class SurfaceView;
struct SheetRequest;
struct AlertRequest;
struct ImportRequest;
struct WindowObserver;
}  // namespace detail

enum class WindowTitle {
    // The window keeps the title it has.
    fixed,
    // The window is titled by the chosen tab of the first tab view, as settings windows are.
    chosenTab,
};

class Host : public std::enable_shared_from_this<Host> {
public:
    static std::shared_ptr<Host> create(std::shared_ptr<Window> window, std::function<View()> root,
                                        WindowTitle title = WindowTitle::fixed);
    // Every host of the calling run alive, oldest first: where tools find the program's views.
    static std::vector<std::shared_ptr<Host>> all();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    const std::shared_ptr<Window>& window() const { return window_; }

    // Builds, lays out and draws now instead of on the next loop turn. Not from inside a
    // view's own action: the rebuild replaces the nodes the action runs in.
    void update();
    bool needsUpdate() const { return scheduled_; }

    std::string outline() const;
    // The first control of the kind whose label is `label`, in outline order.
    std::optional<Control> find(ControlKind kind, const std::string& label) const;
    std::vector<Control> findAll(ControlKind kind) const;

    // The size the tree would like for an offered width (none: its ideal width).
    Size idealSize(std::optional<double> width = std::nullopt) const;
    // The windows of the sheets shown, outermost first.
    std::vector<std::shared_ptr<Window>> sheetWindows() const;
    // The tooltip shown now, if any.
    std::optional<std::string> visibleToolTip() const;

private:
    friend class Control;
    friend class detail::SurfaceView;

    struct Surface {
        std::string key;
        std::shared_ptr<Window> window;
        std::shared_ptr<detail::SurfaceView> view;
    };

    Host(std::shared_ptr<Window> window, std::function<View()> root, WindowTitle title);
    void attach();
    void scheduleUpdate();
    void rebuild();
    void showSheets(std::vector<detail::SheetRequest>& requests);
    void showAlerts(std::vector<detail::AlertRequest>& requests);
    void showImports(std::vector<detail::ImportRequest>& requests);
    void tellWindowObservers(const std::vector<detail::WindowObserver>& observers);
    const Surface* surface(const std::string& key) const;
    // The surface to present over, once per key while it is shown; null otherwise.
    const Surface* presentable(const std::string& key, const std::string& surfaceKey, std::set<std::string>& shown) const;
    // The node with that identity in any surface, and the surface it is in.
    detail::Node* node(const std::string& identity, const Surface** in = nullptr) const;
    bool hasSheetOver(const std::string& surfaceKey) const;

    // Tooltips, driven by the surfaces.
    void pointerRests(detail::SurfaceView& view, const std::string& help, Point screenPoint);
    void hideToolTip();

    std::shared_ptr<Window> window_;
    std::function<View()> root_;
    WindowTitle title_;
    std::unique_ptr<detail::Graph> graph_;
    std::vector<Surface> surfaces_;
    std::set<std::string> shownAlerts_;
    std::set<std::string> shownImports_;
    std::set<std::string> toldObservers_;
    bool scheduled_ = false;
    // What the last build read, followed until the next build or the host goes: the
    // shared objects it read outlive the window.
    ObservationTracking tracking_;
    std::shared_ptr<const void> displayOptionsToken_;
    std::shared_ptr<const void> windowCloseToken_;
    std::shared_ptr<const void> localeToken_;
    std::shared_ptr<const void> timeZoneToken_;
    std::shared_ptr<Timer> toolTipTimer_;
    std::shared_ptr<Window> toolTipWindow_;
    std::string toolTipText_;
};

}  // namespace platform::ui
