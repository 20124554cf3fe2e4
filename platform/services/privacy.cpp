#include "platform/services/privacy.h"

#include "platform/desktop/desktop.h"

namespace platform {

int32_t privacyAccessPreflight(const std::string& service, const plist::Dictionary* /*options*/) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return static_cast<int32_t>(desktop::Permission::notDetermined);
    return world->permissions().preflight(service);
}

}  // namespace platform
