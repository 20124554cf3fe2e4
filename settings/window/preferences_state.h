#pragma once

// The shared settings object as a tab holds it: fetched once, when the tab's view state
// is first made, and kept for the tab's life, so that every tab edits the object the
// rest of the program reads.

#include <memory>

#include "platform/ui/binding.h"
#include "settings/model/preferences.h"

namespace furlpane {

struct PreferencesState {
    std::shared_ptr<Preferences> preferences = Preferences::shared().shared_from_this();

    // A control's binding to one setting's getter and setter.
    template <class T, class G, class S>
    platform::ui::Binding<T> bind(G getter, S setter) const {
        return platform::ui::Binding<T>::of(preferences, getter, setter);
    }
};

}  // namespace furlpane
