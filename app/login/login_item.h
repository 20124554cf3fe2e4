#pragma once

// The program's login item: whether it opens when the user logs in, through the
// system's service management. Main thread.

#include <optional>

#include "platform/services/service_error.h"

namespace furlpane {

class LoginItem {
public:
    enum class State { enabled, disabled, requiresApproval };

    // What a change came to: the service's error, or success, which after enabling may
    // still leave the login item waiting for the user's approval.
    struct Outcome {
        std::optional<platform::ServiceError> failure;
        bool requiresApproval = false;
        bool succeeded() const { return !failure; }
    };

    LoginItem() = delete;

    // The service's status: enabled, requiresApproval, and disabled for every other.
    static State state();
    // Registers the program.
    static Outcome enable();
    // Takes the registration back, unless there is none to take back (then a success
    // without asking the service).
    static Outcome disable();
    // The program's bundle lies on a read-only volume, from which it cannot open at
    // login. Told once per process.
    static bool isOnReadOnlyVolume();
};

}  // namespace furlpane
