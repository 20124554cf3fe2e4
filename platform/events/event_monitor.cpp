#include "platform/events/event_monitor.h"

#include <algorithm>

#include "platform/desktop/desktop.h"

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

EventMonitors& EventMonitors::of(desktop::Desktop& world) { return world.extension<EventMonitors>(); }

EventMonitor::Token EventMonitors::add(EventMask mask, EventMonitor::LocalHandler local,
                                       EventMonitor::GlobalHandler global) {
    auto entry = std::make_shared<Entry>(Entry{mask, std::move(local), std::move(global)});
    entries_.push_back(entry);
    return entry;
}

void EventMonitors::remove(const EventMonitor::Token& token) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->get() == token.get()) {
            (*it)->removed = true;
            entries_.erase(it);
            return;
        }
    }
}

size_t EventMonitors::localCount() const {
    return size_t(std::count_if(entries_.begin(), entries_.end(), [](const auto& e) { return bool(e->local); }));
}

size_t EventMonitors::globalCount() const {
    return size_t(std::count_if(entries_.begin(), entries_.end(), [](const auto& e) { return bool(e->global); }));
}

std::optional<EventRecord> EventMonitors::runLocal(EventRecord event) {
    const auto snapshot = entries_;
    for (const auto& entry : snapshot) {
        if (entry->removed || !entry->local || !maskIncludes(entry->mask, event.type())) continue;
        std::optional<EventRecord> answer = entry->local(event);
        if (!answer) return std::nullopt;
        event = std::move(*answer);
    }
    return event;
}

void EventMonitors::runGlobal(const EventRecord& event) {
    const auto snapshot = entries_;
    for (const auto& entry : snapshot) {
        if (entry->removed || !entry->global || !maskIncludes(entry->mask, event.type())) continue;
        entry->global(event);
    }
}

}  // namespace platform
