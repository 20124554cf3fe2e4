#include "platform/services/login_items.h"

namespace platform {

using desktop::Desktop;
using desktop::Fault;
using desktop::FaultCall;

namespace {

// The service's own words when a fault gives none.
constexpr const char* kOperationFailed = "The operation couldn’t be completed.";

std::optional<ServiceError> injected(Desktop& world, FaultCall call) {
    const std::optional<Fault> fault = world.faults().take({call, {}, world.ownProcessIdentifier(), 0, 0});
    if (!fault) return std::nullopt;
    return ServiceError{fault->code, fault->description.empty() ? kOperationFailed : fault->description};
}

}  // namespace

SimulatedLoginItems& SimulatedLoginItems::of(Desktop& world) { return world.extension<SimulatedLoginItems>(); }

AppServiceStatus SimulatedLoginItems::status() const {
    auto guard = world_.lock();
    return status_;
}

void SimulatedLoginItems::setStatus(AppServiceStatus status) {
    auto guard = world_.lock();
    status_ = status;
}

bool SimulatedLoginItems::backgroundActivityAllowed() const {
    auto guard = world_.lock();
    return backgroundAllowed_;
}

void SimulatedLoginItems::setBackgroundActivityAllowed(bool allowed) {
    auto guard = world_.lock();
    backgroundAllowed_ = allowed;
}

std::optional<ServiceError> SimulatedLoginItems::registerProgram() {
    auto guard = world_.lock();
    ++registers_;
    if (auto error = injected(world_, FaultCall::registerLoginItem)) return error;
    status_ = backgroundAllowed_ ? AppServiceStatus::enabled : AppServiceStatus::requiresApproval;
    return std::nullopt;
}

std::optional<ServiceError> SimulatedLoginItems::unregisterProgram() {
    auto guard = world_.lock();
    ++unregisters_;
    if (auto error = injected(world_, FaultCall::unregisterLoginItem)) return error;
    if (status_ != AppServiceStatus::enabled && status_ != AppServiceStatus::requiresApproval) {
        return ServiceError{kNotRegisteredCode, "The login item is not registered."};
    }
    status_ = AppServiceStatus::notRegistered;
    return std::nullopt;
}

}  // namespace platform
