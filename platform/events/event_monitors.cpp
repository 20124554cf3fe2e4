#include "platform/events/event_monitors.h"

#include <algorithm>

namespace platform {

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

void EventMonitors::removeAll() {
    for (const auto& entry : entries_) entry->removed = true;
    entries_.clear();
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
