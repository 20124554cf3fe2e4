#pragma once

// How an application shows itself: a regular one has a Dock icon and a menu bar and is
// activated by a click on its windows; an accessory one (a menu-bar utility) has neither
// until it asks for them and may still be activated; a prohibited one (a background
// process) is never activated and shows no user interface of its own.

namespace platform {

enum class ActivationPolicy { regular, accessory, prohibited };

}  // namespace platform
