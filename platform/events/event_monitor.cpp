#include "platform/events/event_monitor.h"

#include "platform/desktop/desktop.h"
#include "platform/events/event_monitors.h"

namespace platform {

EventMonitor::Token EventMonitor::addLocalMonitor(EventMask mask, LocalHandler handler) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world || !handler) return nullptr;
    return EventMonitors::of(*world).add(mask, std::move(handler), nullptr);
}

EventMonitor::Token EventMonitor::addGlobalMonitor(EventMask mask, GlobalHandler handler) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world || !handler) return nullptr;
    return EventMonitors::of(*world).add(mask, nullptr, std::move(handler));
}

void EventMonitor::removeMonitor(const Token& token) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (world && token) EventMonitors::of(*world).remove(token);
}

}  // namespace platform
