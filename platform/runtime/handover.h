#pragma once

// A callable handed to the system, together with the run that handed it over (see
// process_run.h). Every callback the platform keeps for later goes through one: work
// on the main loop and its timers and sources, queue jobs, the world's listeners and
// observers, notification handlers, event taps, completions.
//
//   Handover<void()> later = [this] { refresh(); };   // belongs to whoever executes now
//   ...
//   later();   // runs as its owner; does nothing once the owner's run has ended
//
// A handover made from any callable belongs to the code executing when it is made;
// Handover::system makes one that belongs to the system (the world's own doings, which
// outlive any run of the program). Calling it executes the callable as its owner. Once
// that run has ended, a call does nothing and answers a value-initialised result. The
// callable (with whatever it captured) is always destroyed executing as its owner, so
// that the program's objects it held go as the program's code, and what their
// destructors hand over after the run's end is dropped at once.
//
// Copies share nothing but the owner. Safe to move between threads; a call is as
// thread-safe as the callable.

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/runtime/process_run.h"

namespace platform {

template <class Signature>
class Handover;

template <class R, class... Args>
class Handover<R(Args...)> {
    using Function = std::function<R(Args...)>;

public:
    Handover() = default;
    Handover(std::nullptr_t) {}
    template <class F>
        requires(!std::is_same_v<std::decay_t<F>, Handover> && std::is_constructible_v<Function, F>)
    Handover(F&& f) : owner_(ProcessRun::executing()), function_(std::forward<F>(f)) {}

    // One that belongs to `owner` (null: the system).
    static Handover ownedBy(std::shared_ptr<ProcessRun> owner, Function f) {
        Handover h;
        h.owner_ = std::move(owner);
        h.function_ = std::move(f);
        return h;
    }
    static Handover system(Function f) { return ownedBy(nullptr, std::move(f)); }

    Handover(const Handover&) = default;
    Handover(Handover&&) noexcept = default;
    Handover& operator=(const Handover& other) {
        if (this != &other) {
            Handover copy(other);
            swap(copy);
        }
        return *this;
    }
    Handover& operator=(Handover&& other) noexcept {
        if (this != &other) {
            Handover taken(std::move(other));
            swap(taken);
        }
        return *this;
    }
    ~Handover() { drop(); }

    // Holds a callable whose run has not ended.
    bool isLive() const { return function_ && !(owner_ && owner_->hasEnded()); }
    explicit operator bool() const { return isLive(); }
    const std::shared_ptr<ProcessRun>& owner() const { return owner_; }

    R operator()(Args... args) const {
        if (!isLive()) {
            if constexpr (std::is_void_v<R>) {
                return;
            } else {
                return R{};
            }
        }
        InRun as(owner_);
        return function_(std::forward<Args>(args)...);
    }

private:
    void swap(Handover& other) noexcept {
        std::swap(owner_, other.owner_);
        std::swap(function_, other.function_);
    }
    // What the callable captured is its owner's: it goes as its owner's code, whoever lets
    // go of it (the loop after running it, a run's end, a world that goes).
    void drop() noexcept {
        if (!function_ || !owner_) return;
        InRun as(owner_);
        function_ = nullptr;
    }

    std::shared_ptr<ProcessRun> owner_;
    Function function_;
};

}  // namespace platform
