#pragma once

// Following observable settings by passes: a pass runs `read` under observation tracking
// (it only registers interest); the first change of anything it read starts a
// main-thread task that, while the owner is there, arms the next pass and then reacts.
// Arming before reacting means no change is missed while the reaction runs; holding the
// owner weakly means a pass outlives nothing.

#include <functional>
#include <memory>

#include "platform/runtime/observation.h"
#include "platform/runtime/task.h"

namespace furlpane {

template <class Owner>
void followChanges(const std::shared_ptr<Owner>& owner, std::function<void(Owner&)> read,
                   std::function<void(Owner&)> react) {
    std::weak_ptr<Owner> weak = owner;
    platform::withObservationTracking([&owner, &read] { read(*owner); }, [weak, read, react] {
        platform::spawnMain([weak, read, react]() -> platform::Task<void> {
            if (const auto self = weak.lock()) {
                followChanges<Owner>(self, read, react);
                react(*self);
            }
            co_return;
        });
    });
}

}  // namespace furlpane
