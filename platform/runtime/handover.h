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
// outlive any run of the program), Handover::ownedBy one that belongs to a run named.
// Calling it executes the callable as its owner. Once that run has ended, a call does
// nothing and answers a value-initialised result. The callable (with whatever it
// captured) is always destroyed executing as its owner, so that the program's objects it
// held go as the program's code, and what their destructors hand over after the run's
// end is dropped at once.
//
// The system's own code (the simulated world, the input's road through it, the
// notification centres) never takes the executing run as an owner: a program's call
// drives it, yet what it hands over is its own work or another run's, which must not die
// with the caller. There the implicit owner does not compile (detail::ImplicitOwner):
// each hand-over names its owner.
//
// Copies share nothing but the owner. Safe to move between threads; a call is as
// thread-safe as the callable.

#include <functional>
#include <memory>
#include <source_location>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/runtime/process_run.h"

namespace platform {

namespace detail {

// Whether a source file is the system's own code, which names the owner of each
// hand-over it makes: the simulated world, the events and the notification centres (and
// not the tests of them, which act as the program).
consteval bool namesOwners(std::string_view file) {
    for (std::string_view area : {"platform/desktop/", "platform/events/", "platform/notifications/"}) {
        for (size_t at = file.find(area); at != std::string_view::npos; at = file.find(area, at + 1)) {
            const std::string_view before = file.substr(0, at);
            if ((before.empty() || before.ends_with('/')) && !before.ends_with("tests/")) return true;
        }
    }
    return false;
}

// The place where a callable becomes a hand-over of the executing run. Made at compile
// time from the caller's place, it stops the build where the system's own code would
// take the executing run as an owner.
struct ImplicitOwner {
    consteval ImplicitOwner(std::source_location where = std::source_location::current()) {
        if (namesOwners(where.file_name())) {
            throw "the system's code names the owner of what it hands over (Handover::system, Handover::ownedBy)";
        }
    }
};

}  // namespace detail

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
    Handover(F&& f, detail::ImplicitOwner = {}) : owner_(ProcessRun::executing()), function_(std::forward<F>(f)) {}

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
