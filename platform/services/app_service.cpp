#include "platform/services/app_service.h"

#include "platform/desktop/desktop.h"
#include "platform/services/login_items.h"
#include "platform/services/workspace.h"

namespace platform {

namespace {

// Without a world there is no service to register with.
const ServiceError kNoService{1, "The login item service is not available."};

}  // namespace

AppServiceStatus MainAppService::status() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    return world ? SimulatedLoginItems::of(*world).status() : AppServiceStatus::notFound;
}

std::optional<ServiceError> MainAppService::registerService() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    return world ? SimulatedLoginItems::of(*world).registerProgram() : kNoService;
}

std::optional<ServiceError> MainAppService::unregisterService() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    return world ? SimulatedLoginItems::of(*world).unregisterProgram() : kNoService;
}

void MainAppService::openSystemSettingsLoginItems() { Workspace::shared().openURL(loginItemsSettingsURL()); }

const std::string& MainAppService::loginItemsSettingsURL() {
    static const std::string url = "x-apple.systempreferences:com.apple.LoginItems-Settings.extension";
    return url;
}

}  // namespace platform
