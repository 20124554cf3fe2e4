#pragma once

// The system's service management in the simulated desktop, as far as the program's own
// login item goes: one per world, made on first use (SimulatedLoginItems::of); the
// program reaches it through MainAppService.
//
// A fresh world has the program not registered, with background activity allowed.
// Registering makes it enabled, or requiresApproval while the user keeps its background
// activity switched off; unregistering makes it not registered, and fails when it was
// not registered. A test sets the status directly to stand for what the user or the
// system did meanwhile (switched off in System Settings: requiresApproval).
//
// Failures come from the world's faults: FaultCall::registerLoginItem and
// FaultCall::unregisterLoginItem with fail(code, description); the status then stays.

#include <optional>

#include "platform/desktop/desktop.h"
#include "platform/desktop/world_lock.h"
#include "platform/services/app_service.h"
#include "platform/services/service_error.h"

namespace platform {

class SimulatedLoginItems {
public:
    static constexpr int64_t kNotRegisteredCode = 3;

    explicit SimulatedLoginItems(desktop::Desktop& world) : world_(world) {}
    // The login items of a world.
    static SimulatedLoginItems& of(desktop::Desktop& world);

    AppServiceStatus status() const;
    void setStatus(AppServiceStatus status);
    bool backgroundActivityAllowed() const;
    void setBackgroundActivityAllowed(bool allowed);

    // What the service does when the program asks.
    std::optional<ServiceError> registerProgram();
    std::optional<ServiceError> unregisterProgram();
    // How often the program asked, failures included.
    int registerCount() const { return readLocked(world_, registers_); }
    int unregisterCount() const { return readLocked(world_, unregisters_); }

private:
    desktop::Desktop& world_;
    AppServiceStatus status_ = AppServiceStatus::notRegistered;
    bool backgroundAllowed_ = true;
    int registers_ = 0;
    int unregisters_ = 0;
};

}  // namespace platform
