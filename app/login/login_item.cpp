#include "app/login/login_item.h"

#include "platform/runtime/process_once.h"
#include "platform/services/app_service.h"
#include "platform/services/bundle.h"
#include "windows/access/permissions.h"

namespace furlpane {

using platform::AppServiceStatus;
using platform::MainAppService;

LoginItem::State LoginItem::state() {
    switch (MainAppService::status()) {
    case AppServiceStatus::enabled: return State::enabled;
    case AppServiceStatus::requiresApproval: return State::requiresApproval;
    default: return State::disabled;
    }
}

LoginItem::Outcome LoginItem::enable() {
    if (auto error = MainAppService::registerService()) return {std::move(error)};
    return {std::nullopt, MainAppService::status() == AppServiceStatus::requiresApproval};
}

LoginItem::Outcome LoginItem::disable() {
    if (state() == State::disabled) return {};
    return {MainAppService::unregisterService()};
}

bool LoginItem::isOnReadOnlyVolume() {
    static platform::ProcessOnce<bool> readOnly;
    return readOnly.get([] { return volumeIsReadOnly(platform::Bundle::main().bundlePath()); });
}

}  // namespace furlpane
