#pragma once

// The event stand-in as a whole: event records, keyboard layouts, event taps, the road
// of injected input, event monitors and the state of the input devices.

#include "platform/events/event_monitor.h"
#include "platform/events/event_record.h"
#include "platform/events/event_router.h"
#include "platform/events/event_tap.h"
#include "platform/events/input_state.h"
#include "platform/events/keyboard_layout.h"
