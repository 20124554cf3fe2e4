// System::start: the one way the program brings up the system it runs on.

#include "platform/system.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/accessibility/trust.h"
#include "platform/appkit/screen.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/workspace.h"

namespace platform {
namespace {

TEST(System, TheDefaultSystemIsUpWhileItsObjectLives) {
    MainLoop loop(ClockKind::simulated);
    EXPECT_FALSE(RunningApplication::current());
    {
        auto system = System::start(loop);
        ASSERT_TRUE(system) << system.error();
        const auto self = RunningApplication::current();
        ASSERT_TRUE(self);
        EXPECT_EQ(self->bundleIdentifier(), "com.brindlewick.FurlpaneNovan");
        EXPECT_EQ(self->activationPolicy(), ActivationPolicy::accessory);
        ASSERT_EQ(Screen::screens().size(), 1u);
        EXPECT_EQ(Screen::screens()[0].frame(), (Rect{0, 0, 1440, 900}));
        EXPECT_TRUE(AccessibilityTrust::isProcessTrusted());
    }
    EXPECT_FALSE(RunningApplication::current());
    EXPECT_TRUE(Screen::screens().empty());
}

TEST(System, ADescriptionSaysWhatTheMachineIs) {
    MainLoop loop(ClockKind::simulated);
    SystemDescription description;
    description.bundleIdentifier = "com.example.Other";
    description.screens = {{.frame = {0, 0, 1920, 1080}, .backingScaleFactor = 1, .name = "Left"},
                           {.frame = {1920, 0, 2560, 1440}, .name = "Right"}};
    description.accessibilityTrusted = false;
    auto system = System::start(loop, description);
    ASSERT_TRUE(system) << system.error();
    EXPECT_EQ(RunningApplication::current()->bundleIdentifier(), "com.example.Other");
    ASSERT_EQ(Screen::screens().size(), 2u);
    EXPECT_EQ(Screen::screens()[1].frame(), (Rect{1920, 0, 2560, 1440}));
    EXPECT_EQ(Screen::screens()[0].backingScaleFactor(), 1);
    EXPECT_FALSE(AccessibilityTrust::isProcessTrusted());
}

TEST(System, OneSystemAtATime) {
    MainLoop loop(ClockKind::simulated);
    auto first = System::start(loop);
    ASSERT_TRUE(first);
    const auto second = System::start(loop);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().message, "a system is already up in this process");
    first = Failure{"taken down"};
    EXPECT_TRUE(System::start(loop));
}

TEST(System, ADescriptionNoMachineMatchesBringsNothingUp) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        SystemDescription description;
    };
    const Case cases[] = {
        {"no bundle identifier", {.bundleIdentifier = ""}},
        {"a frame that is not a number", {.screens = {{.frame = {0, 0, nan, 900}}}}},
        {"an empty screen", {.screens = {{.frame = {0, 0, 1440, 0}}}}},
        {"a screen larger than any display", {.screens = {{.frame = {0, 0, 1e9, 900}}}}},
        {"no scale", {.screens = {{.backingScaleFactor = 0}}}},
        {"a scale that is not a number", {.screens = {{.backingScaleFactor = nan}}}},
        {"a scale beyond any display", {.screens = {{.backingScaleFactor = 64}}}},
    };
    MainLoop loop(ClockKind::simulated);
    for (const Case& c : cases) {
        const auto system = System::start(loop, c.description);
        EXPECT_FALSE(system) << c.what;
        EXPECT_FALSE(system.error().message.empty()) << c.what;
        EXPECT_FALSE(RunningApplication::current()) << c.what;
    }
}

}  // namespace
}  // namespace platform
