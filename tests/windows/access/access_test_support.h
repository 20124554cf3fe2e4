#pragma once

// What the window-system access tests share: a simulated desktop with an editor whose
// windows the cases shape, and small readers of what the program saw.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility/element.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "windows/access/accessibility_elements.h"

namespace access_test {

using platform::AccessibilityElement;
using platform::ClockKind;
using platform::MainLoop;
using platform::Point;
using platform::Rect;
using platform::desktop::Application;
using platform::desktop::Desktop;
using platform::desktop::FaultCall;
using platform::desktop::WindowSpec;

// A world whose accessibility requests give up after a quarter second, as the program's
// start-up arranges.
class AccessTest : public ::testing::Test {
protected:
    AccessTest() { furlpane::systemWideElement().setMessagingTimeout(0.25f); }

    // An editor with the given windows, already running, frontmost.
    Application& editor(std::vector<WindowSpec> windows) {
        auto builder = world.application("com.example.Editor");
        builder.named("Editor");
        for (auto& spec : windows) builder.window(std::move(spec));
        return builder.add();
    }
    AccessibilityElement element(const platform::desktop::Window& window) const {
        return AccessibilityElement::forWindow(window);
    }
    AccessibilityElement element(uint32_t number) const { return element(*world.window(number)); }
    uint64_t requests() const { return world.accessibilityRequestCount(); }

    MainLoop loop{ClockKind::simulated};
    Desktop world{loop};
};

}  // namespace access_test
