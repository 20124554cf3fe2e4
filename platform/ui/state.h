#pragma once

// Views with state of their own, and views that read their environment.
//
// WithState<S> keeps one S for its place in the tree (or its id): made the first time
// the view is built there, handed to the body at every rebuild, and dropped when a
// rebuild no longer has the view there (after its disappear hooks ran). Fields of S
// that should rebuild the view when they change are State<T> (binding.h) or observable
// objects; everything the body reads through observation is followed.
//
// The body gets the state as a shared pointer; closures that outlive the rebuild (button
// actions, menu items, tasks) should hold that pointer or State copies, never a
// reference.

#include <functional>
#include <memory>
#include <string>
#include <typeinfo>

#include "platform/ui/view.h"

namespace platform::ui {

namespace detail {
View statefulView(std::string typeName, std::function<std::shared_ptr<void>()> make,
                  std::function<View(const std::shared_ptr<void>&)> body);
}

template <class S>
View WithState(std::function<std::shared_ptr<S>()> make, std::function<View(const std::shared_ptr<S>&)> body) {
    return detail::statefulView(
        typeid(S).name(), [make] { return std::static_pointer_cast<void>(make()); },
        [body](const std::shared_ptr<void>& state) { return body(std::static_pointer_cast<S>(state)); });
}

template <class S>
View WithState(std::function<View(const std::shared_ptr<S>&)> body) {
    return WithState<S>([] { return std::make_shared<S>(); }, std::move(body));
}

View EnvironmentReader(std::function<View(const Environment&)> body);

}  // namespace platform::ui
