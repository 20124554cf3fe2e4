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
#include "platform/appkit/simulated_user.h"
#include "platform/appkit/window.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_router.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/observation.h"
#include "platform/ui/controls.h"
#include "platform/ui/host.h"
#include "platform/ui/state.h"
#include "platform/ui/views.h"

namespace ui_test {

using namespace platform;
using namespace platform::ui;
// The toolkit's view and font, not AppKit's and the graphics layer's.
using platform::ui::Font;
using platform::ui::View;

// A named rectangle of a fixed size, found again by its name.
inline View box(const std::string& name, double width, double height) {
    return Shape::rectangle().fill(Style::accent()).accessibilityLabel(name).frame(width, height);
}

// An observable object with a setting of each kind, as the program's shared objects
// are: reads register observation, writes notify on a real change and are counted.
class Settings {
public:
    bool flag() const { return flag_.get(); }
    void setFlag(bool v) { write(flag_, v); }
    int choice() const { return choice_.get(); }
    void setChoice(int v) { write(choice_, v); }
    double amount() const { return amount_.get(); }
    void setAmount(double v) { write(amount_, v); }

    int writes = 0;

    Binding<bool> flagBinding(const std::shared_ptr<Settings>& self) {
        return Binding<bool>::of(self, &Settings::flag, &Settings::setFlag);
    }
    Binding<int> choiceBinding(const std::shared_ptr<Settings>& self) {
        return Binding<int>::of(self, &Settings::choice, &Settings::setChoice);
    }
    Binding<double> amountBinding(const std::shared_ptr<Settings>& self) {
        return Binding<double>::of(self, &Settings::amount, &Settings::setAmount);
    }

private:
    template <class T>
    void write(Observed<T>& property, T value) {
        ++writes;
        property.set(value);
    }
    ObservationRegistrar registrar_;
    Observed<bool> flag_{registrar_, false};
    Observed<int> choice_{registrar_, 1};
    Observed<double> amount_{registrar_, 0.5};
};

class UiTest : public ::testing::Test {
protected:
    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop};
    Application& app = Application::shared();
    // The person who answers alerts and file dialogs.
    SimulatedUser& user = SimulatedUser::of(world);
    std::shared_ptr<Window> window;
    std::shared_ptr<Host> host;
    std::shared_ptr<Settings> settings = std::make_shared<Settings>();
    Binding<bool> flag = settings->flagBinding(settings);
    Binding<int> choice = settings->choiceBinding(settings);
    Binding<double> amount = settings->amountBinding(settings);

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
