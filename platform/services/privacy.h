#pragma once

// The privacy database's preflight: how the user has answered for a service
// ("kTCCServiceAccessibility", "kTCCServiceScreenCapture", ...). A private call, found
// by name ("TCCAccessPreflight"); a system may lack it. The options are ignored.
//
// Answers as the world's Permissions give them: 0 granted, 1 denied, 2 not decided
// (and whatever a test set, other numbers included). Without a world, 2. Any thread.

#include <cstdint>
#include <string>

#include "platform/plist/value.h"

namespace platform {

int32_t privacyAccessPreflight(const std::string& service, const plist::Dictionary* options);

using PrivacyPreflightCall = int32_t (*)(const std::string& service, const plist::Dictionary* options);

}  // namespace platform
