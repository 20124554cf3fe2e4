#pragma once

// The program as a login item: its registration with the system's service management
// as an application that opens when the user logs in.
//
// What the program may rely on:
// - status() says where the registration stands, as a number 0 to 3; a program should
//   treat any other number as not registered.
// - registerService() asks for the program to open at login. When it succeeds the
//   status is enabled, or requiresApproval while the user keeps the program switched
//   off under Background App Activity (the registration stands; the user must approve
//   it). It fails with the service's error: a code and a sentence to show the user.
// - unregisterService() takes the registration back; the status is then notRegistered.
//   Taking back a registration that does not exist fails.
// - openSystemSettingsLoginItems() opens the Login Items pane of System Settings.
// Main thread.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/services/service_error.h"

namespace platform {

enum class AppServiceStatus : int32_t {
    notRegistered = 0,
    enabled = 1,
    requiresApproval = 2,
    notFound = 3,
};

class MainAppService {
public:
    static AppServiceStatus status();
    // None when the registration was made.
    static std::optional<ServiceError> registerService();
    // None when the registration was taken back.
    static std::optional<ServiceError> unregisterService();
    static void openSystemSettingsLoginItems();
    static const std::string& loginItemsSettingsURL();
};

}  // namespace platform
