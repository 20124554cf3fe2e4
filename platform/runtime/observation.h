#pragma once

// Change tracking of shared objects.
//
// An observable object owns an ObservationRegistrar. Reading a property calls
// access(key); changing it goes through withMutation(key, change). A reader that wants
// to follow changes calls withObservationTracking(apply, onChange): every property
// `apply` reads is tracked, and the first later mutation of any of them calls
// `onChange` once, just before the change is made. The tracking then ends; a reader
// that wants the next change arms again (usually from a task started by onChange).
//
// Whether an assignment counts as a change is the object's decision: Observed<T>
// notifies only when the new value differs (so NaN always differs, as IEEE says);
// objects that must notify on every edit call withMutation themselves.
//
// Main thread only, like the objects themselves.

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace platform {

class ObservationRegistrar {
public:
    using Key = const void*;

    ObservationRegistrar();
    ~ObservationRegistrar();
    ObservationRegistrar(const ObservationRegistrar&) = delete;
    ObservationRegistrar& operator=(const ObservationRegistrar&) = delete;

    // Registers a read of `key` with the tracking in progress, if any.
    void access(Key key) const;
    // Tells trackers of `key` that it is about to change, then makes the change.
    template <class F>
    void withMutation(Key key, F&& change) {
        willSet(key);
        std::forward<F>(change)();
    }
    void willSet(Key key);
    // Trackers currently armed on `key`.
    size_t observerCount(Key key) const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

struct TrackingRecord;

// What one tracking armed. A reader that may go before anything it read changes (the view
// tree of a window that closes) cancels it as it goes: the objects it read may live as
// long as the process, and would keep the tracking, with all its onChange captured,
// until their next change.
class ObservationTracking {
public:
    ObservationTracking() = default;
    // Takes the tracking off everything it was armed on; onChange will not be called.
    // Nothing once it has fired or been cancelled.
    void cancel();
    // Armed and not yet fired or cancelled.
    bool isArmed() const;

private:
    friend ObservationTracking withObservationTracking(const std::function<void()>&, std::function<void()>);
    std::weak_ptr<TrackingRecord> record_;
};

// Runs `apply` and arms `onChange` on what it read. Nested tracking adds what the inner
// apply read to the outer one as well. Answers the tracking armed (none when apply read
// nothing), for a reader that may go first.
ObservationTracking withObservationTracking(const std::function<void()>& apply, std::function<void()> onChange);

// A stored property that notifies only on a real change.
template <class T>
class Observed {
public:
    Observed(ObservationRegistrar& registrar, T initial) : registrar_(&registrar), value_(std::move(initial)) {}

    const T& get() const {
        registrar_->access(this);
        return value_;
    }
    // Reads without registering interest.
    const T& peek() const { return value_; }
    // Returns whether the value changed (and observers were told).
    bool set(T value) {
        if (value_ == value) return false;
        registrar_->withMutation(this, [&] { value_ = std::move(value); });
        return true;
    }
    // Notifies even when the value is equal.
    void setNotifying(T value) {
        registrar_->withMutation(this, [&] { value_ = std::move(value); });
    }
    // Stores without telling anyone.
    void setSilently(T value) { value_ = std::move(value); }
    ObservationRegistrar::Key key() const { return this; }

private:
    ObservationRegistrar* registrar_;
    T value_;
};

}  // namespace platform
