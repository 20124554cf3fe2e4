#include "platform/desktop/login_items.h"

#include "platform/desktop/desktop.h"

namespace platform::desktop {

namespace {

// The service's own words when a fault gives none.
constexpr const char* kOperationFailed = "The operation couldn’t be completed.";

std::optional<ServiceError> injected(Desktop& world, FaultCall call) {
    const std::optional<Fault> fault = world.faults().take({call, {}, world.ownProcessIdentifier(), 0, 0});
    if (!fault) return std::nullopt;
    return ServiceError{fault->code, fault->description.empty() ? kOperationFailed : fault->description};
}

}  // namespace

LoginItems& Desktop::loginItems() { return extension<LoginItems>(); }

AppServiceStatus LoginItems::status() const {
    auto guard = world_.lock();
    return status_;
}

void LoginItems::setStatus(AppServiceStatus status) {
    auto guard = world_.lock();
    status_ = status;
}

bool LoginItems::backgroundActivityAllowed() const {
    auto guard = world_.lock();
    return backgroundAllowed_;
}

void LoginItems::setBackgroundActivityAllowed(bool allowed) {
    auto guard = world_.lock();
    backgroundAllowed_ = allowed;
}

std::optional<ServiceError> LoginItems::registerProgram() {
    auto guard = world_.lock();
    ++registers_;
    if (auto error = injected(world_, FaultCall::registerLoginItem)) return error;
    status_ = backgroundAllowed_ ? AppServiceStatus::enabled : AppServiceStatus::requiresApproval;
    return std::nullopt;
}

std::optional<ServiceError> LoginItems::unregisterProgram() {
    auto guard = world_.lock();
    ++unregisters_;
    if (auto error = injected(world_, FaultCall::unregisterLoginItem)) return error;
    if (status_ != AppServiceStatus::enabled && status_ != AppServiceStatus::requiresApproval) {
        return ServiceError{kNotRegisteredCode, "The login item is not registered."};
    }
    status_ = AppServiceStatus::notRegistered;
    return std::nullopt;
}

}  // namespace platform::desktop
