#pragma once

// Key-value observation: a handler told after every change of one property of an
// object, for as long as the observation it was given lives.
//
// Unlike withObservationTracking (observation.h), an observation stays armed and runs
// after the change, so the handler reads the new value; and it is told of every change
// the object announces, equal values included: whether a change matters is the
// handler's decision. Main thread only, like the objects that announce changes.

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace platform {

enum class KeyValueOptions {
    changes,            // the handler runs after each change
    initialAndChanges,  // it also runs once at once, while the observation is made
};

// Ends its observation when it goes (or on invalidate).
class KeyValueObservation {
public:
    KeyValueObservation() = default;
    void invalidate() { handler_.reset(); }
    bool isValid() const { return handler_ != nullptr; }

private:
    friend class KeyValueObservers;
    explicit KeyValueObservation(std::shared_ptr<std::function<void()>> handler) : handler_(std::move(handler)) {}

    std::shared_ptr<std::function<void()>> handler_;
};

// The observers of one object, by the object's own keys.
class KeyValueObservers {
public:
    using Key = int;

    KeyValueObservation observe(Key key, KeyValueOptions options, std::function<void()> handler);
    // Runs the handlers of `key` that are alive, in the order they were made. A handler
    // made or ended meanwhile is left out or skipped.
    void didChange(Key key);

private:
    std::map<Key, std::vector<std::weak_ptr<std::function<void()>>>> handlers_;
};

}  // namespace platform
