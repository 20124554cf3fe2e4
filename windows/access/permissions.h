#pragma once

// The two permissions the program needs, Accessibility (to see clicks and change other
// applications' windows) and Screen Recording (to capture window pictures), and two
// process helpers of the same kind.
//
// Nothing here shows an alert or logs: what the user sees is the system's own prompt or
// the System Settings pane. The preflight call is looked up once per process and may be
// missing, which reads as "no answer" (unknown).

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/services/workspace.h"

namespace furlpane {

inline constexpr const char* kAccessibilityService = "kTCCServiceAccessibility";
inline constexpr const char* kScreenCaptureService = "kTCCServiceScreenCapture";
inline constexpr const char* kPermissionPromptBundleIdentifier = "com.apple.accessibility.universalAccessAuthWarn";

// The System Settings addresses of the Accessibility and Screen Recording lists.
const std::string& accessibilitySettingsURL();
const std::string& screenCaptureSettingsURL();

// The privacy database's answer for a service. Callers branch on all four values.
enum class PreflightStatus : int32_t { granted = 0, denied = 1, notDetermined = 2, unknown = 3 };

// The preflight call's answer when it is 0, 1 or 2; unknown when the call is missing or
// answers anything else (a negative answer included). Any thread.
PreflightStatus preflight(const std::string& service);

// Asks for Accessibility according to the preflight answer: granted or denied opens the
// Accessibility pane; not determined has the system show its prompt (and opens
// nothing); unknown does both, prompt first.
void requestAccessibility();

// The running instance of the system's permission prompt while it has a window on
// screen; nothing otherwise. Main thread.
std::optional<platform::RunningApplication> visiblePermissionPrompt();

// Asks for Screen Recording unless it is granted or the system's prompt is already on
// screen, so that the user is never asked twice at once. Main thread.
void requestScreenRecordingUnlessPrompted();

// The running applications with this bundle identifier; when the system's lookup finds
// none, those of the workspace's list whose identifier is exactly this one.
std::vector<platform::RunningApplication> runningApplications(const std::string& bundleIdentifier);

// True only when the file's volume reads as read-only; false when that cannot be read
// (a path that does not exist, for one).
bool volumeIsReadOnly(const std::filesystem::path& file);

}  // namespace furlpane
