#pragma once

// The result of an operation that can fail for a reason worth telling: a value, or a
// failure with a sentence that says what went wrong (a missing font file, a corrupt PNG).
// Callers test it like a pointer and read the value or the message.

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace platform {

struct Failure {
    std::string message;
};

template <class T>
class [[nodiscard]] Outcome {
public:
    Outcome(T value) : state_(std::move(value)) {}
    Outcome(Failure failure) : state_(std::move(failure)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    T& value() & { assert(ok()); return std::get<0>(state_); }
    const T& value() const& { assert(ok()); return std::get<0>(state_); }
    T&& value() && { assert(ok()); return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    // Empty when ok().
    const std::string& error() const {
        static const std::string none;
        return ok() ? none : std::get<1>(state_).message;
    }

private:
    std::variant<T, Failure> state_;
};

template <>
class [[nodiscard]] Outcome<void> {
public:
    Outcome() = default;
    Outcome(Failure failure) : failure_(std::move(failure.message)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return failure_; }

private:
    std::string failure_;
    bool failed_ = false;
};

}  // namespace platform
