#pragma once

// Whether this process may record the screen (take pictures of other applications'
// windows), and the request that asks the user, as the window server's public calls
// answer them from the world's privacy settings (desktop::Permissions).
//
// preflight() is true when Screen Recording is granted. request() is true when it is
// granted; when the user has not decided yet it shows the system's permission prompt
// (its application, "com.apple.accessibility.universalAccessAuthWarn", puts a window on
// screen) and answers false; once denied it shows nothing and answers false. Without a
// world both answer false. Any thread.

namespace platform {

class ScreenCaptureAccess {
public:
    static bool preflight();
    static bool request();
};

}  // namespace platform
