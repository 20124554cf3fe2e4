#pragma once

// The process's default symbol namespace: private calls looked up by name at run time,
// as a program does with the dynamic linker. A lookup gives the call, or null when this
// system lacks it (the world removed it) or when it has another shape than asked for.
// The world counts every lookup by name.
//
//   auto getWindow = lookupSymbol<ElementWindowNumberCall>("_AXUIElementGetWindow");
//
// Known now: "_AXUIElementGetWindow" (ElementWindowNumberCall), "CGSMainConnectionID"
// (MainConnectionCall), "CGSGetWindowBounds" (WindowBoundsCall).

#include <any>
#include <string_view>

namespace platform {

namespace detail {
// The call of that name as the system has it, or null; counts the lookup.
const std::any* findSymbol(std::string_view name);
}  // namespace detail

template <class Fn>
Fn lookupSymbol(std::string_view name) {
    const std::any* symbol = detail::findSymbol(name);
    if (!symbol) return nullptr;
    const Fn* fn = std::any_cast<Fn>(symbol);
    return fn ? *fn : nullptr;
}

}  // namespace platform
