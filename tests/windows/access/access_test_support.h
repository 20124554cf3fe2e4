#pragma once

// What the window-system access tests share: a simulated desktop with an editor whose
// windows the cases shape, the program's own windows placed by top-left frames,
// window-list entries as the window server writes them, and the names every case uses.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility/element.h"
#include "platform/accessibility/value.h"
#include "platform/accessibility/world_elements.h"
#include "platform/appkit/window.h"
#include "platform/desktop/desktop.h"
#include "platform/plist/value.h"
#include "platform/runtime/main_loop.h"
#include "platform/windowserver/window_list.h"
#include "windows/access/accessibility_elements.h"

namespace access_test {

using namespace furlpane;
using platform::AccessibilityElement;
using platform::AccessibilityError;
using platform::AccessibilityValue;
using platform::ClockKind;
using platform::MainLoop;
using platform::Point;
using platform::Rect;
using platform::Size;
using platform::desktop::ButtonDescription;
using platform::desktop::ControlDescription;
using platform::desktop::Desktop;
using platform::desktop::FaultCall;
using platform::desktop::WindowDescription;
namespace desktop = platform::desktop;
namespace plist = platform::plist;

inline constexpr uint64_t kStandardStyle = platform::titledWindowMask | platform::closableWindowMask |
                                           platform::miniaturizableWindowMask | platform::resizableWindowMask;

// A window-list entry as the window server writes one; alpha only when given.
inline plist::Value windowEntry(int64_t number, int64_t pid, int64_t layer, Rect bounds,
                                std::optional<double> alpha = 1.0) {
    using platform::WindowList;
    plist::Dictionary d{{WindowList::kNumber, number},
                        {WindowList::kOwnerPID, pid},
                        {WindowList::kLayer, layer},
                        {WindowList::kBounds, platform::dictionaryFromRect(bounds)}};
    if (alpha) d.set(WindowList::kAlpha, *alpha);
    return plist::Value(std::move(d));
}

// A world whose accessibility requests give up after a quarter second, as the program's
// start-up arranges.
class AccessTest : public ::testing::Test {
protected:
    AccessTest() { systemWideElement().setMessagingTimeout(0.25f); }

    // An editor ("com.example.Editor", "Editor") with the given windows, running, frontmost.
    desktop::Application& editor(std::vector<WindowDescription> windows) {
        auto builder = world.application("com.example.Editor");
        builder.named("Editor");
        for (auto& description : windows) builder.window(std::move(description));
        return builder.add();
    }
    // The one window of a new editor.
    desktop::Window& only(WindowDescription description) { return *editor({std::move(description)}).windows()[0]; }
    // One of the program's own windows at a top-left frame, shown.
    template <class W = platform::Window>
    std::shared_ptr<W> ownWindow(const Rect& topLeft, uint64_t style = kStandardStyle) {
        auto window = std::make_shared<W>(platform::flipRect(topLeft, world.displays().firstMaxY()), style);
        window->orderFront();
        return window;
    }
    AccessibilityElement element(const desktop::Window& window) const { return platform::elementOf(window); }
    AccessibilityElement element(uint32_t number) const { return element(*world.window(number)); }
    uint64_t requests() const { return world.accessibilityRequestCount(); }
    platform::desktop::Faults& faults() { return world.faults(); }

    MainLoop loop{ClockKind::simulated};
    Desktop world{loop};
};

}  // namespace access_test
