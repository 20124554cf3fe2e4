#include "platform/runtime/observation.h"

#include <algorithm>

namespace platform {

namespace {

struct AccessList {
    std::vector<std::pair<std::weak_ptr<ObservationRegistrar::State>, ObservationRegistrar::Key>> reads;
};

thread_local AccessList* t_accessList = nullptr;

}  // namespace

struct ObservationRegistrar::State {
    std::map<Key, std::vector<std::shared_ptr<struct TrackingRecord>>> observers;
};

struct TrackingRecord {
    bool fired = false;
    std::function<void()> onChange;
    std::vector<std::pair<std::weak_ptr<ObservationRegistrar::State>, ObservationRegistrar::Key>> reads;

    // Takes this record off every registrar it was armed on.
    void cancel() {
        for (auto& [weakState, key] : reads) {
            auto state = weakState.lock();
            if (!state) continue;
            auto it = state->observers.find(key);
            if (it == state->observers.end()) continue;
            std::erase_if(it->second, [this](const auto& r) { return r.get() == this; });
            if (it->second.empty()) state->observers.erase(it);
        }
    }
};

ObservationRegistrar::ObservationRegistrar() : state_(std::make_shared<State>()) {}

ObservationRegistrar::~ObservationRegistrar() = default;

void ObservationRegistrar::access(Key key) const {
    if (t_accessList) t_accessList->reads.emplace_back(state_, key);
}

void ObservationRegistrar::willSet(Key key) {
    auto it = state_->observers.find(key);
    if (it == state_->observers.end()) return;
    auto records = std::move(it->second);
    state_->observers.erase(it);
    for (auto& record : records) {
        if (record->fired) continue;
        record->fired = true;
        record->cancel();
        auto onChange = std::move(record->onChange);
        if (onChange) onChange();
    }
}

size_t ObservationRegistrar::observerCount(Key key) const {
    auto it = state_->observers.find(key);
    return it == state_->observers.end() ? 0 : it->second.size();
}

void ObservationTracking::cancel() {
    auto record = record_.lock();
    record_.reset();
    if (!record || record->fired) return;
    record->fired = true;
    record->cancel();
    // What onChange captured goes now, not when something it read next changes.
    record->onChange = nullptr;
}

bool ObservationTracking::isArmed() const {
    auto record = record_.lock();
    return record && !record->fired;
}

ObservationTracking withObservationTracking(const std::function<void()>& apply, std::function<void()> onChange) {
    AccessList list;
    AccessList* outer = t_accessList;
    t_accessList = &list;
    apply();
    t_accessList = outer;
    if (outer) outer->reads.insert(outer->reads.end(), list.reads.begin(), list.reads.end());
    if (list.reads.empty()) return {};

    auto record = std::make_shared<TrackingRecord>();
    record->onChange = std::move(onChange);
    record->reads = std::move(list.reads);
    for (auto& [weakState, key] : record->reads) {
        auto state = weakState.lock();
        if (!state) continue;
        auto& observers = state->observers[key];
        if (std::find(observers.begin(), observers.end(), record) == observers.end()) observers.push_back(record);
    }
    ObservationTracking tracking;
    tracking.record_ = record;
    return tracking;
}

}  // namespace platform
