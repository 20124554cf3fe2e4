#include "platform/notifications/notification_center.h"

#include <algorithm>

#include "platform/runtime/main_loop.h"

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(std::string name, const void* object, Handler handler) {
    auto record = std::make_shared<Record>(Record{std::move(name), object, std::move(handler)});
    records_.push_back(record);
    return record;
}

void NotificationCenter::removeObserver(const Token& token) {
    auto it = std::find_if(records_.begin(), records_.end(), [&](const auto& r) { return r.get() == token.get(); });
    if (it == records_.end()) return;
    (*it)->removed = true;
    records_.erase(it);
}

void NotificationCenter::post(Notification notification) {
    if (MainLoop::exists() && !MainLoop::main().isMainThread()) {
        MainLoop::main().post([this, n = std::move(notification)] { deliver(n); });
        return;
    }
    deliver(notification);
}

void NotificationCenter::deliver(const Notification& notification) {
    // A snapshot: observers added while delivering wait for the next notification.
    const auto snapshot = records_;
    for (const auto& record : snapshot) {
        if (record->removed) continue;
        if (!record->name.empty() && record->name != notification.name) continue;
        if (record->object && record->object != notification.object) continue;
        auto handler = record->handler;
        handler(notification);
    }
}

size_t NotificationCenter::observerCount() const { return records_.size(); }

void NotificationCenter::removeAll() {
    for (auto& r : records_) r->removed = true;
    records_.clear();
}

}  // namespace platform
