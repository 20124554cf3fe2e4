#include "platform/windowserver/window_list.h"

#include <algorithm>
#include <climits>

#include "platform/desktop/desktop.h"

namespace platform {

namespace {

using desktop::Desktop;
using desktop::FaultCall;
using desktop::FaultEffect;

bool isDesktopElement(const desktop::Window& w) {
    return w.layer() <= windowLevelForKey(WindowLevelKey::desktopIcon);
}

// One key of an entry, unless a fault removes or changes it.
void put(Desktop& world, const desktop::Window& w, plist::Dictionary& entry, const char* key, plist::Value value) {
    if (auto fault = world.faults().take({FaultCall::windowListEntry, key, w.pid(), w.number(), 0})) {
        switch (fault->effect) {
        case FaultEffect::error:
        case FaultEffect::missing:
        case FaultEffect::unresponsive: return;
        case FaultEffect::wrongType: value = value.isString() ? plist::Value(1) : plist::Value("unexpected"); break;
        case FaultEffect::answer:
            if (const auto* given = std::any_cast<plist::Value>(&fault->payload)) value = *given;
            break;
        }
    }
    entry.set(key, std::move(value));
}

plist::Dictionary entryFor(Desktop& world, const desktop::Window& w) {
    plist::Dictionary entry;
    put(world, w, entry, WindowList::kNumber, plist::Value(w.number()));
    put(world, w, entry, WindowList::kOwnerPID, plist::Value(w.pid()));
    put(world, w, entry, WindowList::kLayer, plist::Value(w.layer()));
    put(world, w, entry, WindowList::kBounds, dictionaryFromRect(w.frame()));
    put(world, w, entry, WindowList::kAlpha, plist::Value(w.alpha()));
    if (auto record = world.processRecord(w.pid()); record && record->localizedName()) {
        put(world, w, entry, WindowList::kOwnerName, *record->localizedName());
    }
    if (world.isOnScreen(w)) put(world, w, entry, WindowList::kIsOnscreen, true);
    put(world, w, entry, WindowList::kStoreType, 1);
    put(world, w, entry, WindowList::kSharingState, 1);
    put(world, w, entry, WindowList::kMemoryUsage, 2048);
    return entry;
}

std::vector<const desktop::Window*> select(const Desktop& world, uint32_t options, uint32_t relative) {
    const auto windows = world.windowsFrontToBack();
    const bool above = options & WindowList::onScreenAboveWindow;
    const bool below = options & WindowList::onScreenBelowWindow;
    const bool onScreen = options & (WindowList::onScreenOnly | WindowList::onScreenAboveWindow |
                                     WindowList::onScreenBelowWindow);
    const bool including = options & WindowList::includingWindow;
    auto at = std::find_if(windows.begin(), windows.end(), [relative](auto* w) { return w->number() == relative; });
    std::vector<const desktop::Window*> result;
    if (including && !above && !below && !(options & WindowList::onScreenOnly)) {
        if (at != windows.end()) result.push_back(*at);
        return result;
    }
    const bool relativeMatters = (above || below) && relative != WindowList::kNullWindow;
    if (relativeMatters && at == windows.end()) return result;
    for (auto it = windows.begin(); it != windows.end(); ++it) {
        const bool isRelative = it == at;
        if (relativeMatters && !isRelative && ((above && it > at) || (below && it < at))) continue;
        if (relativeMatters && isRelative && !including) continue;
        if (onScreen && !isRelative && !world.isOnScreen(**it)) continue;
        result.push_back(*it);
    }
    return result;
}

}  // namespace

std::optional<plist::Array> WindowList::copyWindowInfo(uint32_t options, uint32_t relativeToWindow) {
    Desktop* world = Desktop::currentOrNull();
    if (!world) return std::nullopt;
    auto guard = world->lock();
    if (auto fault = world->faults().take({FaultCall::windowList, "", 0, 0, 0})) {
        if (fault->effect != FaultEffect::answer) return std::nullopt;
        const auto* given = std::any_cast<plist::Array>(&fault->payload);
        return given ? std::optional<plist::Array>(*given) : std::nullopt;
    }
    plist::Array list;
    for (const desktop::Window* w : select(*world, options, relativeToWindow)) {
        if ((options & excludeDesktopElements) && isDesktopElement(*w)) continue;
        list.push_back(entryFor(*world, *w));
    }
    return list;
}

plist::Dictionary dictionaryFromRect(const Rect& rect) {
    return plist::Dictionary{{"Height", rect.size.height}, {"Width", rect.size.width}, {"X", rect.origin.x},
                             {"Y", rect.origin.y}};
}

std::optional<Rect> rectFromDictionary(const plist::Value& value) {
    const plist::Dictionary* d = value.dictionary();
    if (!d) return std::nullopt;
    auto number = [d](const char* key) -> std::optional<double> {
        const plist::Value* v = d->find(key);
        return v ? v->number() : std::nullopt;
    };
    const auto x = number("X"), y = number("Y"), w = number("Width"), h = number("Height");
    if (!x || !y || !w || !h) return std::nullopt;
    return Rect{*x, *y, *w, *h};
}

int32_t windowLevelForKey(WindowLevelKey key) {
    constexpr int32_t kBase = INT32_MIN;
    constexpr int32_t kMinimum = kBase + 5;
    constexpr int32_t kMaximum = INT32_MAX - 16;
    constexpr int32_t kDesktop = kMinimum + 20;
    switch (key) {
    case WindowLevelKey::base: return kBase;
    case WindowLevelKey::minimum: return kMinimum;
    case WindowLevelKey::desktop: return kDesktop;
    case WindowLevelKey::backstopMenu: return -20;
    case WindowLevelKey::normal: return 0;
    case WindowLevelKey::floating: return 3;
    case WindowLevelKey::tornOffMenu: return 3;
    case WindowLevelKey::dock: return 20;
    case WindowLevelKey::mainMenu: return 24;
    case WindowLevelKey::status: return 25;
    case WindowLevelKey::modalPanel: return 8;
    case WindowLevelKey::popUpMenu: return 101;
    case WindowLevelKey::dragging: return 500;
    case WindowLevelKey::screenSaver: return 1000;
    case WindowLevelKey::maximum: return kMaximum;
    case WindowLevelKey::overlay: return 102;
    case WindowLevelKey::help: return 200;
    case WindowLevelKey::utility: return 19;
    case WindowLevelKey::desktopIcon: return kDesktop + 20;
    case WindowLevelKey::cursor: return kMaximum - 1;
    case WindowLevelKey::assistiveTechHigh: return 1500;
    }
    return 0;
}

}  // namespace platform
