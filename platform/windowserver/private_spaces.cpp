#include "platform/windowserver/private_spaces.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/windowserver/private_window_server.h"

namespace platform {

namespace {

using desktop::FaultCall;
using desktop::FaultEffect;

plist::Dictionary spaceEntry(const desktop::Space& space) {
    const auto id = static_cast<int64_t>(space.id);
    return {{"ManagedSpaceID", id}, {"id64", id}, {"type", space.kind == desktop::SpaceKind::fullScreen ? 4 : 0}};
}

// A fault's answer, or nothing when the call goes on.
std::optional<std::optional<plist::Value>> faulted(desktop::Desktop& world, FaultCall call) {
    auto fault = world.faults().take({call, "", 0, 0, 0});
    if (!fault) return std::nullopt;
    switch (fault->effect) {
    case FaultEffect::wrongType: return std::optional<plist::Value>(plist::Value("unexpected"));
    case FaultEffect::answer:
        if (const auto* v = std::any_cast<plist::Value>(&fault->payload)) return std::optional<plist::Value>(*v);
        return std::optional<plist::Value>();
    case FaultEffect::unresponsive:
        world.loop().blockFor(std::min(fault->seconds, 3600.0));
        return std::nullopt;
    case FaultEffect::error:
    case FaultEffect::missing: return std::optional<plist::Value>();
    }
    return std::nullopt;
}

void addOnce(plist::Array& ids, uint64_t id) {
    const plist::Value v(static_cast<int64_t>(id));
    if (std::find(ids.begin(), ids.end(), v) == ids.end()) ids.push_back(v);
}

}  // namespace

std::optional<plist::Value> windowServerManagedDisplaySpaces(int32_t connection) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world || connection != windowServerMainConnection()) return std::nullopt;
    auto guard = world->lock();
    if (auto answer = faulted(*world, FaultCall::managedDisplaySpaces)) return *answer;
    plist::Array result;
    for (const desktop::Display* display : world->displays().all()) {
        plist::Dictionary entry{{"Display Identifier", std::to_string(display->number())}};
        const std::optional<uint64_t> current = world->spaces().current(display->number());
        plist::Array spaces;
        for (const desktop::Space& space : world->spaces().onDisplay(display->number())) {
            spaces.push_back(spaceEntry(space));
            if (current && space.id == *current) entry.set("Current Space", spaceEntry(space));
        }
        entry.set("Spaces", std::move(spaces));
        result.push_back(std::move(entry));
    }
    return plist::Value(std::move(result));
}

std::optional<plist::Value> windowServerSpacesForWindows(int32_t connection, int32_t selector,
                                                         const plist::Array& windows) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world || connection != windowServerMainConnection()) return std::nullopt;
    auto guard = world->lock();
    if (auto answer = faulted(*world, FaultCall::spacesForWindows)) return *answer;
    const bool shown = selector & space_selectors::current;
    const bool others = selector & space_selectors::others;
    plist::Array ids;
    for (const plist::Value& entry : windows) {
        const std::optional<int64_t> number = entry.integer();
        if (!number || *number <= 0 || *number > int64_t(UINT32_MAX)) continue;
        const desktop::Window* w = world->window(static_cast<uint32_t>(*number));
        if (!w) continue;
        if (w->space() == 0) {
            if (shown) {
                for (uint64_t id : world->spaces().currentSpaces()) addOnce(ids, id);
            }
            continue;
        }
        const bool isShown = world->spaces().isShown(w->space());
        if ((isShown && shown) || (!isShown && others)) addOnce(ids, w->space());
    }
    return plist::Value(std::move(ids));
}

}  // namespace platform
