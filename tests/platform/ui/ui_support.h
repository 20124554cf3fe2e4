#pragma once

// What the toolkit tests share: a world on a simulated loop with the program's
// application, a titled window hosting a view tree, and input injected the way a user
// makes it.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/appkit/application.h"
#include "platform/appkit/window.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_router.h"
#include "platform/runtime/main_loop.h"
#include "platform/ui/controls.h"
#include "platform/ui/host.h"
#include "platform/ui/state.h"
#include "platform/ui/views.h"

namespace ui_test {

using namespace platform;
using namespace platform::ui;
// The toolkit's view, not AppKit's.
using platform::ui::View;

// A named rectangle of a fixed size, found again by its name.
inline View box(const std::string& name, double width, double height) {
    return Shape::rectangle().fill(Style::accent()).accessibilityLabel(name).frame(width, height);
}

class UiTest : public ::testing::Test {
protected:
    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop};
    Application& app = Application::shared();
    std::shared_ptr<Window> window;
    std::shared_ptr<Host> host;

    // A titled window whose content, `content` points large, stands at (100, 100) of the
    // screen, in front and key, showing `root`.
    Host& show(std::function<View()> root, Size content = {400, 300}) {
        const double flip = world.displays().firstMaxY();
        const Rect topLeft{100, 100 + Window::kTitleBarHeight, content.width, content.height};
        window = std::make_shared<Window>(flipRect(topLeft, flip), titledWindowMask | closableWindowMask);
        window->makeKeyAndOrderFront();
        app.activate();
        host = Host::create(window, std::move(root));
        settle();
        return *host;
    }
    void settle() { loop.runUntilIdle(); }

    // The control, or a failed test (by exception) when it is not there.
    Control control(ControlKind kind, const std::string& label) {
        auto found = host->find(kind, label);
        if (!found) throw std::runtime_error(std::string(describe(kind)) + " \"" + label + "\" not in\n" + host->outline());
        return *found;
    }
    Rect frameOf(const std::string& name) { return control(ControlKind::shape, name).frame(); }

    // A click at the middle of the control, injected on the desktop.
    void clickOn(const Control& c) {
        injectEvents(input_sequences::click(c.screenFrame().mid()));
        settle();
    }
};

}  // namespace ui_test
