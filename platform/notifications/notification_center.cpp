#include "platform/notifications/notification_center.h"

#include <algorithm>

#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_once.h"

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter() {
    static ProcessLocal<NotificationCenter> center;
    return center.get();
}

NotificationCenter::Token NotificationCenter::addObserver(std::string name, const void* object, Handler handler) {
    auto record = std::make_shared<Record>(Record{std::move(name), object, std::move(handler)});
    state_->records.push_back(record);
    return record;
}

void NotificationCenter::removeObserver(const Token& token) {
    auto& records = state_->records;
    auto it = std::find_if(records.begin(), records.end(), [&](const auto& r) { return r.get() == token.get(); });
    if (it == records.end()) return;
    (*it)->removed = true;
    records.erase(it);
}

void NotificationCenter::post(Notification notification) {
    if (MainLoop::exists() && !MainLoop::main().isMainThread()) {
        // The centre's delivery is its own; each handler runs as its observer's run.
        std::weak_ptr<State> weak = state_;
        MainLoop::main().post(Handover<void()>::system([weak, n = std::move(notification)] {
            if (auto state = weak.lock()) deliver(*state, n);
        }));
        return;
    }
    deliver(*state_, notification);
}

void NotificationCenter::deliver(State& state, const Notification& notification) {
    // A snapshot: observers added while delivering wait for the next notification.
    const auto snapshot = state.records;
    for (const auto& record : snapshot) {
        if (record->removed) continue;
        if (!record->name.empty() && record->name != notification.name) continue;
        if (record->object && record->object != notification.object) continue;
        auto handler = record->handler;
        handler(notification);
    }
    // Observers of a run that has ended go as the centre next delivers.
    std::erase_if(state.records, [](const auto& r) {
        if (r->handler.isLive()) return false;
        r->removed = true;
        return true;
    });
}

size_t NotificationCenter::observerCount() const { return state_->records.size(); }

}  // namespace platform
