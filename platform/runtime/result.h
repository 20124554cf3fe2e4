#pragma once

// The result of a call that can fail: a value, or the error that kept it from coming;
// never both. Every fallible call of the platform layer and the program answers one.
//
// The error type says what a caller may tell apart:
// - Failure (the default) carries a sentence for people and logs: a missing font file,
//   a corrupt PNG. Callers do not branch on it.
// - An enumeration carries the codes a caller branches on, as the system gives them
//   (AccessibilityError) or as a reader tells its failures apart (plist::ReadError).
//
// Reading the value of a failed result, or writing one through it, is a broken
// invariant and stops the process (VERIFY); test ok() first. error() of a success is
// the error type's "none", E{}: an empty Failure, or the enumeration's zero (for
// AccessibilityError, success). An error type whose zero means success must not become
// a failed result as it is: it may say which of its codes a failure made from it reads
// as, with a function resultError(E) found beside the type.
//
//   Result<Image> picture = readPNG(file);
//   if (!picture) return report(picture.error().message);
//   draw(*picture);

#include <ostream>
#include <string>
#include <utility>
#include <variant>

#include "platform/runtime/verify.h"

namespace platform {

// Why a call failed, in words.
struct Failure {
    std::string message;
};

// A failure prints as its message.
inline std::ostream& operator<<(std::ostream& out, const Failure& failure) { return out << failure.message; }

namespace result_detail {

template <class E>
E resultError(E error) {
    return error;
}

// The error a result made from `error` holds: the type's own choice when it has one.
template <class E>
E normalized(E error) {
    return resultError(std::move(error));
}

template <class E>
const E& none() {
    static const E value{};
    return value;
}

}  // namespace result_detail

template <class T, class E = Failure>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : state_(std::in_place_index<1>, result_detail::normalized(std::move(error))) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only on a result that is ok().
    T& value() & { return std::get<0>(checked()); }
    const T& value() const& { return std::get<0>(checked()); }
    T&& value() && { return std::get<0>(std::move(checked())); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }

    // The value, or `fallback` on a failure.
    T valueOr(T fallback) const& { return ok() ? std::get<0>(state_) : std::move(fallback); }

    // E{} on a success.
    const E& error() const { return ok() ? result_detail::none<E>() : std::get<1>(state_); }

private:
    std::variant<T, E>& checked() {
        VERIFY_WITH(ok(), "the value of a failed result was read");
        return state_;
    }
    const std::variant<T, E>& checked() const {
        VERIFY_WITH(ok(), "the value of a failed result was read");
        return state_;
    }

    std::variant<T, E> state_;
};

// A call that answers nothing but may fail.
template <class E>
class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    Result(E error) : error_(result_detail::normalized(std::move(error))), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    // E{} on a success.
    const E& error() const { return failed_ ? error_ : result_detail::none<E>(); }

private:
    E error_{};
    bool failed_ = false;
};

}  // namespace platform
