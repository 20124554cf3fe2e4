#pragma once

// The accessibility stand-in: elements, values, observers, trust and the private
// window-number call.

#include "platform/accessibility/element.h"
#include "platform/accessibility/error.h"
#include "platform/accessibility/observer.h"
#include "platform/accessibility/trust.h"
#include "platform/accessibility/value.h"
#include "platform/accessibility/window_number.h"
