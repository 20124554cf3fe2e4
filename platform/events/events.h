#pragma once

// The event stand-in as a program sees it: event records, keyboard layouts, event taps,
// event monitors and the state of the input devices. The simulated desktop's side (the
// road of injected input, the user's input devices) is in event_router.h and
// simulated_input.h.

#include "platform/events/event_monitor.h"
#include "platform/events/event_record.h"
#include "platform/events/event_tap.h"
#include "platform/events/input_state.h"
#include "platform/events/keyboard_layout.h"
