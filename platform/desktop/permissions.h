#pragma once

// The privacy settings of the simulated desktop: whether the program may record the
// screen, what the privacy database answers when asked about a service, and the
// system's permission prompt, an application of its own
// ("com.apple.accessibility.universalAccessAuthWarn") whose window shows while it asks.
//
// Screen Recording is granted in a fresh world. Asking for it (requestScreenRecording,
// what the system's request call does) when the user has not decided yet shows the
// prompt, and the privacy database then holds the program as denied until the user
// grants it (setScreenRecording); asking again shows nothing. Accessibility trust is the
// world's (Desktop::isAccessibilityTrusted); the accessibility prompt shows the same
// prompt application.
//
// The privacy database's preflight answers 0 (granted), 1 (denied) or 2 (not decided):
// for Screen Recording its state; for Accessibility 0 when trusted, else 1 once the
// user has been prompted, else 2; for any other service 2. A test may set any answer
// for a service, numbers outside 0...2 included.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/desktop/world_lock.h"

namespace platform::desktop {

class Application;
class Desktop;
class Window;

enum class Permission : int32_t { granted = 0, denied = 1, notDetermined = 2 };

class Permissions {
public:
    static constexpr const char* kAccessibilityService = "kTCCServiceAccessibility";
    static constexpr const char* kScreenCaptureService = "kTCCServiceScreenCapture";
    static constexpr const char* kPromptBundleIdentifier = "com.apple.accessibility.universalAccessAuthWarn";

    explicit Permissions(Desktop& world) : world_(world) {}

    Permission screenRecording() const { return readLocked(world_, screenRecording_); }
    bool canRecordScreen() const { return screenRecording() == Permission::granted; }
    void setScreenRecording(Permission permission);
    // The system's request: true when granted; when not decided yet, shows the prompt
    // and leaves the program denied; otherwise nothing. Every call counts.
    bool requestScreenRecording();
    int screenRecordingRequests() const { return readLocked(world_, requests_); }

    // The privacy database's answer for a service, and a test's own answer (none puts
    // the derived answer back).
    int32_t preflight(std::string_view service) const;
    void setPreflightAnswer(const std::string& service, std::optional<int32_t> answer);

    // The prompt application: launched when it is not running, its window brought on
    // screen in front of the others. Returns the application.
    Application& showPrompt(const std::string& message);
    // The prompt's window goes away; the application keeps running without a window.
    void dismissPrompt();
    Application* promptApplication() const;
    // The prompt's window while it is open (on screen or not).
    Window* promptWindow() const;
    int promptsShown() const { return readLocked(world_, promptsShown_); }

private:
    Desktop& world_;
    Permission screenRecording_ = Permission::granted;
    int requests_ = 0;
    int promptsShown_ = 0;
    std::map<std::string, int32_t, std::less<>> answers_;
    uint32_t promptWindow_ = 0;
};

}  // namespace platform::desktop
