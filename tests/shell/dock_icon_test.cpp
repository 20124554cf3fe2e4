// The Dock icon: out of the Dock while the status item shows and no titled window of
// the program is about; in it otherwise, following the setting and the windows.

#include "app/shell/dock_icon_controller.h"

#include <gtest/gtest.h>

#include "platform/appkit/application.h"
#include "platform/appkit/window.h"
#include "platform/defaults/user_defaults.h"
#include "tests/shell/shell_test_support.h"

namespace furlpane {
namespace {

using platform::ActivationPolicy;
using testing::ShellWorld;

TEST(DockIcon, AnAccessoryOnlyWithTheStatusItemAndNoTitledWindow) {
    const std::tuple<bool, bool, ActivationPolicy> cases[] = {
        {true, false, ActivationPolicy::accessory},
        {true, true, ActivationPolicy::regular},
        {false, false, ActivationPolicy::regular},
        {false, true, ActivationPolicy::regular},
    };
    for (const auto& [shows, titled, policy] : cases) {
        EXPECT_EQ(DockIconController::policyFor(shows, titled), policy) << shows << titled;
    }
}

TEST(DockIcon, FollowsTheSettingAndTheProgramsWindows) {
    ShellWorld env;
    platform::UserDefaults defaults("test");
    auto preferences = Preferences::create(defaults);
    auto& app = platform::Application::shared();
    app.setActivationPolicy(ActivationPolicy::regular);
    auto controller = DockIconController::start(preferences);
    EXPECT_EQ(app.activationPolicy(), ActivationPolicy::accessory);

    auto panel = std::make_shared<platform::Panel>(platform::Rect{10, 10, 100, 50}, 0);
    panel->orderFront();
    auto settings = std::make_shared<platform::Window>(platform::Rect{100, 100, 400, 300},
                                                       platform::titledWindowMask | platform::closableWindowMask);
    settings->makeKeyAndOrderFront();
    app.activate();  // as opening the settings does
    env.loop.runUntilIdle();
    EXPECT_EQ(app.activationPolicy(), ActivationPolicy::regular);

    settings->close();
    env.loop.runUntilIdle();
    EXPECT_EQ(app.activationPolicy(), ActivationPolicy::accessory);

    preferences->setShowsStatusItem(false);
    env.loop.runUntilIdle();
    EXPECT_EQ(app.activationPolicy(), ActivationPolicy::regular);
    preferences->setShowsStatusItem(true);
    env.loop.runUntilIdle();
    EXPECT_EQ(app.activationPolicy(), ActivationPolicy::accessory);
}

}  // namespace
}  // namespace furlpane
