#include "platform/runtime/key_value_observation.h"

#include <algorithm>

namespace platform {

KeyValueObservation KeyValueObservers::observe(Key key, KeyValueOptions options, std::function<void()> handler) {
    auto shared = std::make_shared<std::function<void()>>(std::move(handler));
    auto& list = handlers_[key];
    std::erase_if(list, [](const auto& weak) { return weak.expired(); });
    list.push_back(shared);
    if (options == KeyValueOptions::initialAndChanges) (*shared)();
    return KeyValueObservation(std::move(shared));
}

void KeyValueObservers::didChange(Key key) {
    auto it = handlers_.find(key);
    if (it == handlers_.end()) return;
    // A copy, so that a handler may observe again or end observations while this runs.
    const auto handlers = it->second;
    for (const auto& weak : handlers) {
        if (auto handler = weak.lock()) (*handler)();
    }
}

}  // namespace platform
