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
// The system's own code (everything in platform/ but the frameworks that run as the
// program: appkit, ui and defaults) never takes the executing run as an owner: a
// program's call drives it, yet what it hands over is its own work or another run's,
// which must not die with the caller. There the implicit owner does not compile
// (detail::ImplicitOwner): each hand-over names its owner.
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

// The project's folder as the compiler spells this build's files: this header's own path
// less its place in the project.
consteval std::string_view projectFolder() {
    constexpr std::string_view self = std::source_location::current().file_name();
    constexpr std::string_view place = "platform/runtime/handover.h";
    static_assert(self.ends_with(place), "handover.h is where the project keeps it");
    return self.substr(0, self.size() - place.size());
}

// A file's place in the project (platform/desktop/dock.cpp), from its path as the compiler
// spells it: under the project's folder, or relative to a folder of the project. Empty for
// a file elsewhere.
consteval std::string_view placeInProject(std::string_view file) {
    if (file.starts_with(projectFolder())) {
        file.remove_prefix(projectFolder().size());
    } else if (file.starts_with('/')) {
        return {};
    }
    while (file.starts_with("./") || file.starts_with("../")) file.remove_prefix(file.find('/') + 1);
    return file;
}

// Whether a source file is the system's own code, which names the owner of each
// hand-over it makes: every folder of platform/ (and whatever comes to it later) but the
// frameworks that run as the program. The rest of the project (the program, its tests,
// which act as the program, the tools) hands over as whoever executes.
consteval bool namesOwners(std::string_view file) {
    std::string_view place = placeInProject(file);
    constexpr std::string_view system = "platform/";
    if (!place.starts_with(system)) return false;
    place.remove_prefix(system.size());
    for (std::string_view program : {"appkit/", "ui/", "defaults/"}) {
        if (place.starts_with(program)) return false;
    }
    return true;
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
