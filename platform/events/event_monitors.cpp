#include "platform/events/event_monitors.h"

#include <algorithm>

namespace platform {

EventMonitors& EventMonitors::of(desktop::Desktop& world) { return world.extension<EventMonitors>(); }

EventMonitor::Token EventMonitors::add(EventMask mask, EventMonitor::LocalHandler local,
                                       EventMonitor::GlobalHandler global) {
    // Monitors of runs that ended are gone for good.
    std::erase_if(entries_, [](const auto& e) { return !e->local.isLive() && !e->global.isLive(); });
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
    return size_t(std::count_if(entries_.begin(), entries_.end(), [](const auto& e) { return e->local.isLive(); }));
}

size_t EventMonitors::globalCount() const {
    return size_t(std::count_if(entries_.begin(), entries_.end(), [](const auto& e) { return e->global.isLive(); }));
}

std::optional<EventRecord> EventMonitors::runLocal(EventRecord event, const std::shared_ptr<ProcessRun>& receiver) {
    const auto snapshot = entries_;
    for (const auto& entry : snapshot) {
        if (entry->removed || !entry->local.isLive() || !maskIncludes(entry->mask, event.type())) continue;
        // Another process's monitors see nothing of this one's events.
        if (entry->local.owner() && entry->local.owner() != receiver) continue;
        std::optional<EventRecord> answer = entry->local(event);
        if (!answer) return std::nullopt;
        event = std::move(*answer);
    }
    return event;
}

void EventMonitors::runGlobal(const EventRecord& event) {
    const auto snapshot = entries_;
    for (const auto& entry : snapshot) {
        if (entry->removed || !entry->global.isLive() || !maskIncludes(entry->mask, event.type())) continue;
        entry->global(event);
    }
}

}  // namespace platform
