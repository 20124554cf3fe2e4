#include "windows/access/spaces.h"

#include <algorithm>
#include <optional>
#include <set>

#include "platform/runtime/process_once.h"
#include "platform/windowserver/private_spaces.h"
#include "platform/windowserver/private_window_server.h"
#include "platform/windowserver/symbols.h"
#include "platform/windowserver/window_list.h"
#include "windows/access/window_info.h"

namespace furlpane {

using platform::plist::Value;

namespace {

// Which Spaces the windows are asked about: every Space they lie on.
constexpr int32_t kEverySpace = platform::space_selectors::all;

struct SpacesCalls {
    int32_t connection = 0;
    platform::ManagedDisplaySpacesCall managedDisplaySpaces = nullptr;
    platform::SpacesForWindowsCall spacesForWindows = nullptr;
};

std::optional<SpacesCalls> spacesCalls() {
    static platform::ProcessOnce<std::optional<SpacesCalls>> calls;
    return calls.get([]() -> std::optional<SpacesCalls> {
        const auto connect = platform::lookupSymbol<platform::MainConnectionCall>("CGSMainConnectionID");
        const auto managed = platform::lookupSymbol<platform::ManagedDisplaySpacesCall>("CGSCopyManagedDisplaySpaces");
        const auto forWindows = platform::lookupSymbol<platform::SpacesForWindowsCall>("CGSCopySpacesForWindows");
        if (!connect || !managed || !forWindows) return std::nullopt;
        return SpacesCalls{connect(), managed, forWindows};
    });
}

// The application's windows at layer 0 that are not on screen.
platform::plist::Array offScreenWindows(int32_t pid) {
    platform::plist::Array numbers;
    const auto list = platform::WindowList::copyWindowInfo(platform::WindowList::all, platform::WindowList::kNullWindow);
    if (!list) return numbers;
    for (const auto& item : *list) {
        const auto* entry = item.dictionary();
        if (!entry || window_info::owner(*entry) != pid || window_info::layer(*entry) != 0) continue;
        if (window_info::isOnScreen(*entry) == true) continue;
        if (const auto number = window_info::number(*entry)) numbers.push_back(Value(int64_t{*number}));
    }
    return numbers;
}

// The Space every display shows now.
std::set<int64_t> currentSpaces(const SpacesCalls& calls) {
    std::set<int64_t> spaces;
    const auto answer = calls.managedDisplaySpaces(calls.connection);
    const auto* displays = answer ? answer->array() : nullptr;
    if (!displays) return spaces;
    for (const auto& display : *displays) {
        const auto* entry = display.dictionary();
        const auto* current = entry ? entry->find("Current Space") : nullptr;
        const auto* space = current && current->dictionary() ? current->dictionary()->find("ManagedSpaceID") : nullptr;
        if (const auto id = space ? space->integer() : std::nullopt) spaces.insert(*id);
    }
    return spaces;
}

std::set<int64_t> spacesOf(const SpacesCalls& calls, const platform::plist::Array& windows) {
    std::set<int64_t> spaces;
    const auto answer = calls.spacesForWindows(calls.connection, kEverySpace, windows);
    const auto* ids = answer ? answer->array() : nullptr;
    if (!ids) return spaces;
    for (const auto& id : *ids) {
        if (const auto n = id.integer()) spaces.insert(*n);
    }
    return spaces;
}

bool includesAll(const std::set<int64_t>& shown, const std::set<int64_t>& lying) {
    return std::includes(shown.begin(), shown.end(), lying.begin(), lying.end());
}

}  // namespace

bool hasWindowsOnOtherSpace(int32_t pid) {
    const auto calls = spacesCalls();
    if (!calls) return true;
    const auto windows = offScreenWindows(pid);
    if (windows.empty()) return false;
    return !includesAll(currentSpaces(*calls), spacesOf(*calls, windows));
}

// Without the shown Spaces nothing can be told of the window's.
bool isOnOtherSpace(uint32_t window) {
    const auto calls = spacesCalls();
    if (!calls) return false;
    const auto shown = currentSpaces(*calls);
    return !shown.empty() && !includesAll(shown, spacesOf(*calls, {Value(int64_t{window})}));
}

}  // namespace furlpane
