#pragma once

// What the trigger tests share: a simulated desktop with the program's application
// object, and the symbols the cases name.

#include <gtest/gtest.h>

#include "platform/appkit/application.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_record.h"
#include "platform/events/keyboard_layout.h"
#include "platform/runtime/main_loop.h"

namespace triggers_test {

namespace desktop = platform::desktop;
using platform::EventFlags;
using platform::EventRecord;
using platform::EventType;
namespace flags = platform::event_flags;
namespace keys = platform::key_codes;

// A world on a simulated loop with the program's application object.
class TriggersTest : public ::testing::Test {
protected:
    platform::MainLoop loop{platform::ClockKind::simulated};
    desktop::Desktop world{loop};
    platform::Application& app = platform::Application::shared();

    uint32_t mode() { return world.hotKeys().operatingMode(); }
};

}  // namespace triggers_test
