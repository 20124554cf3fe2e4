#pragma once

// Bindings and view state.
//
// A Binding is a getter and a setter: a control reads the value through it every time
// it is built and writes a new value through it when the user changes it. It keeps no
// copy of the value, so a control bound to a shared object always shows what the object
// holds, and a change made anywhere shows at the next rebuild. `Binding::of` binds to a
// getter and setter pair of an observable object held by a shared pointer; the binding
// holds the object, so a control's pending action never outlives it.
//
// A field projection (`field`) reads one member of the bound value and writes the whole
// value with that member changed and the others as they read at the moment of writing.
//
// State is a view's own value that lives as long as the view's identity in the tree
// (see WithState in state.h). It is observable: a view that reads it is rebuilt after it
// changes. Copies of a State refer to the same value, so closures may hold one safely.
//
// Main thread only.

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/runtime/observation.h"

namespace platform::ui {

template <class T>
class Binding {
public:
    using Getter = std::function<T()>;
    using Setter = std::function<void(T)>;

    // A binding that reads a default value and ignores writes.
    Binding() : Binding(T{}) {}
    Binding(Getter get, Setter set) : get_(std::move(get)), set_(std::move(set)) {}

    // Reads `value` and ignores writes (a control that shows a value it cannot change).
    static Binding constant(T value) {
        return Binding([value] { return value; }, [](T) {});
    }

    // A getter and setter pair of `object`: member function pointers (or any callables
    // taking the object first). The object is held for as long as the binding lives.
    template <class O, class G, class S>
    static Binding of(std::shared_ptr<O> object, G getter, S setter) {
        return Binding([object, getter] { return T(std::invoke(getter, *object)); },
                       [object, setter](T value) { std::invoke(setter, *object, std::move(value)); });
    }

    T get() const { return get_(); }
    void set(T value) const { set_(std::move(value)); }

    // One member of the value; a write stores the whole value freshly read with that
    // member replaced.
    template <class U, class C>
    Binding<U> field(U C::*member) const {
        static_assert(std::is_same_v<C, T>, "a field of the bound type");
        Binding whole = *this;
        return Binding<U>([whole, member] { return whole.get().*member; },
                          [whole, member](U value) {
                              T changed = whole.get();
                              changed.*member = std::move(value);
                              whole.set(std::move(changed));
                          });
    }

    // A binding of another type: `to` converts what is read; `from` turns a written
    // value into one to store.
    template <class U>
    Binding<U> map(std::function<U(const T&)> to, std::function<T(U)> from) const {
        Binding whole = *this;
        return Binding<U>([whole, to] { return to(whole.get()); },
                          [whole, from](U value) { whole.set(from(std::move(value))); });
    }

private:
    explicit Binding(T value) : Binding(constant(std::move(value))) {}

    Getter get_;
    Setter set_;
};

template <class T>
class State {
public:
    explicit State(T initial = T{}) : box_(std::make_shared<Box>(std::move(initial))) {}

    // Reading registers observation, so the view that read it is rebuilt on a change.
    const T& get() const { return box_->value.get(); }
    // Reads without registering interest (actions that run outside a rebuild).
    const T& peek() const { return box_->value.peek(); }
    // Observers are told only of a real change.
    void set(T value) const { box_->value.set(std::move(value)); }

    Binding<T> binding() const {
        std::shared_ptr<Box> box = box_;
        return Binding<T>([box] { return box->value.get(); }, [box](T value) { box->value.set(std::move(value)); });
    }

private:
    struct Box {
        explicit Box(T initial) : value(registrar, std::move(initial)) {}
        ObservationRegistrar registrar;
        Observed<T> value;
    };
    std::shared_ptr<Box> box_;
};

}  // namespace platform::ui
