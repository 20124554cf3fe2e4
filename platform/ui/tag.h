#pragma once

// A tag: a value of any equality-comparable type that a picker item, a list row or a tab
// stands for. Two tags are equal when they hold values of the same type that compare
// equal; an empty tag equals only another empty one.

#include <memory>
#include <string>
#include <typeinfo>

namespace platform::ui {

class Tag {
public:
    Tag() = default;

    template <class T>
    static Tag of(T value) {
        Tag tag;
        tag.held_ = std::make_shared<const Holder<T>>(std::move(value));
        return tag;
    }

    bool isEmpty() const { return !held_; }

    // The value when the tag holds a T; null otherwise.
    template <class T>
    const T* as() const {
        if (!held_ || held_->type() != typeid(T)) return nullptr;
        return &static_cast<const Holder<T>&>(*held_).value;
    }

    friend bool operator==(const Tag& a, const Tag& b) {
        if (!a.held_ || !b.held_) return !a.held_ && !b.held_;
        return a.held_->type() == b.held_->type() && a.held_->equals(*b.held_);
    }

private:
    struct Base {
        virtual ~Base() = default;
        virtual const std::type_info& type() const = 0;
        virtual bool equals(const Base& other) const = 0;
    };
    template <class T>
    struct Holder final : Base {
        explicit Holder(T v) : value(std::move(v)) {}
        const std::type_info& type() const override { return typeid(T); }
        bool equals(const Base& other) const override { return value == static_cast<const Holder&>(other).value; }
        T value;
    };
    std::shared_ptr<const Base> held_;
};

}  // namespace platform::ui
