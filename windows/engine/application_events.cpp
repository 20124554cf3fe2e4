// Following other applications: hidden and unhidden stand-ins, the changed windows of an
// application that quits, launches and activations, Space changes and screen changes.

#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Notification;

// Built next.
void WindowEffects::applicationDidHide(const Notification&) {}
// Built next.
void WindowEffects::applicationDidUnhide(const Notification&) {}
// Built next.
void WindowEffects::applicationDidTerminate(const Notification&) {}
// Built next.
void WindowEffects::applicationDidLaunch(const Notification&) {}
// Built next.
void WindowEffects::applicationDidActivate(const Notification&) {}
// Built next.
void WindowEffects::activeSpaceDidChange(const Notification&) {}
// Built next.
void WindowEffects::screenParametersDidChange(const Notification&) {}
// Built next.
void WindowEffects::setStandInsHidden(std::optional<int32_t>, AffectedWindow::Visibility) {}
// Built next.
void WindowEffects::applicationTerminated(std::optional<int32_t>) {}

}  // namespace furlpane
