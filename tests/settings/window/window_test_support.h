#pragma once

// What the settings window's tests share: a world on a simulated loop with the program's
// application, and clicks injected on the desktop the way a user makes them.

#include <gtest/gtest.h>

#include "platform/appkit/application.h"
#include "platform/appkit/simulated_user.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_router.h"
#include "platform/runtime/main_loop.h"
#include "platform/ui/control.h"

namespace furlpane::testing {

class WindowWorldTest : public ::testing::Test {
protected:
    platform::MainLoop loop{platform::ClockKind::simulated};
    platform::desktop::Desktop world{loop};
    platform::Application& app = platform::Application::shared();
    // The person who answers alerts and file dialogs.
    platform::SimulatedUser& user = platform::SimulatedUser::of(world);

    void settle() { loop.runUntilIdle(); }
    // A click at the middle of the control, injected on the desktop.
    void clickOn(const platform::ui::Control& control) {
        platform::injectEvents(platform::input_sequences::click(control.screenFrame().mid()));
        settle();
    }
};

}  // namespace furlpane::testing
