#pragma once

// Whether this process is trusted for accessibility (granted in the privacy settings),
// and the prompt that asks the user to grant it.

#include <string>

#include "platform/plist/value.h"

namespace platform {

class AccessibilityTrust {
public:
    // The option that asks for the prompt.
    static constexpr const char* kPromptOption = "AXTrustedCheckOptionPrompt";

    static bool isProcessTrusted();
    // With kPromptOption true and the process not trusted, the system shows its prompt
    // (the world records it, and the prompt application puts its window on screen).
    // Other options, or values of other types, are ignored.
    static bool isProcessTrustedWithOptions(const plist::Dictionary& options);
};

}  // namespace platform
