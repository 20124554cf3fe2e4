#include "platform/windowserver/window_list.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <string>

#include "platform/desktop/desktop.h"

namespace platform {

namespace {

using desktop::Desktop;
using desktop::FaultCall;
using desktop::FaultEffect;

bool isDesktopElement(int32_t layer) { return layer <= windowLevelForKey(WindowLevelKey::desktopIcon); }

// The keys an entry may hold and their characters in all, so that an entry is built
// in room reserved once.
constexpr std::string_view kEntryKeys[] = {
    WindowList::kNumber,     WindowList::kOwnerPID,  WindowList::kLayer,        WindowList::kBounds,
    WindowList::kAlpha,      WindowList::kOwnerName, WindowList::kIsOnscreen,   WindowList::kStoreType,
    WindowList::kSharingState, WindowList::kMemoryUsage,
};

constexpr size_t entryKeyBytes() {
    size_t bytes = 0;
    for (const std::string_view key : kEntryKeys) bytes += key.size();
    return bytes;
}

// Builds the entries of one list under the world's lock. Faults for single keys are
// looked for only when a rule for them is set, and the owner's name is read once for a
// run of windows of the same application.
class EntryBuilder {
public:
    explicit EntryBuilder(Desktop& world)
        : world_(world), keyFaults_(world.faults().isArmed(FaultCall::windowListEntry)) {}

    plist::Dictionary entryFor(const desktop::Window& w, const desktop::Window::Placement& placed, bool onScreen) {
        plist::Dictionary entry;
        entry.reserve(std::size(kEntryKeys), entryKeyBytes());
        put(w, entry, WindowList::kNumber, plist::Value(w.number()));
        put(w, entry, WindowList::kOwnerPID, plist::Value(w.pid()));
        put(w, entry, WindowList::kLayer, plist::Value(placed.layer));
        put(w, entry, WindowList::kBounds, dictionaryFromRect(placed.frame));
        put(w, entry, WindowList::kAlpha, plist::Value(placed.alpha));
        if (const std::optional<std::string>& name = ownerName(w.pid())) put(w, entry, WindowList::kOwnerName, *name);
        if (onScreen) put(w, entry, WindowList::kIsOnscreen, true);
        put(w, entry, WindowList::kStoreType, 1);
        put(w, entry, WindowList::kSharingState, 1);
        put(w, entry, WindowList::kMemoryUsage, 2048);
        return entry;
    }

private:
    // One key of an entry, unless a fault removes or changes it.
    void put(const desktop::Window& w, plist::Dictionary& entry, std::string_view key, plist::Value&& value) {
        if (keyFaults_) {
            if (auto fault = world_.faults().take({FaultCall::windowListEntry, key, w.pid(), w.number(), 0})) {
                if (!applyFault(*fault, value)) return;
            }
        }
        entry.set(key, std::move(value));
    }

    // Whether the key stays, with the value the fault gives it.
    static bool applyFault(const desktop::Fault& fault, plist::Value& value) {
        switch (fault.effect) {
        case FaultEffect::error:
        case FaultEffect::missing:
        case FaultEffect::unresponsive: return false;
        case FaultEffect::wrongType: value = value.isString() ? plist::Value(1) : plist::Value("unexpected"); break;
        case FaultEffect::answer:
            if (const auto* given = std::any_cast<plist::Value>(&fault.payload)) value = *given;
            break;
        }
        return true;
    }

    const std::optional<std::string>& ownerName(int32_t pid) {
        if (pid != namePid_) {
            const auto record = world_.processRecord(pid);
            name_ = record ? record->localizedName() : std::nullopt;
            namePid_ = pid;
        }
        return name_;
    }

    Desktop& world_;
    const bool keyFaults_;
    std::optional<int32_t> namePid_;
    std::optional<std::string> name_;
};

// A window the list holds, with whether it is on screen (asked once per window).
struct Listed {
    const desktop::Window* window;
    bool onScreen;
};

std::vector<Listed> select(const Desktop& world, uint32_t options, uint32_t relative) {
    const auto windows = world.windowsFrontToBack();
    const bool above = options & WindowList::onScreenAboveWindow;
    const bool below = options & WindowList::onScreenBelowWindow;
    const bool onScreen = options & (WindowList::onScreenOnly | WindowList::onScreenAboveWindow |
                                     WindowList::onScreenBelowWindow);
    const bool including = options & WindowList::includingWindow;
    auto at = std::find_if(windows.begin(), windows.end(), [relative](auto* w) { return w->number() == relative; });
    std::vector<Listed> result;
    if (including && !above && !below && !(options & WindowList::onScreenOnly)) {
        if (at != windows.end()) result.push_back({*at, world.isOnScreen(**at)});
        return result;
    }
    result.reserve(windows.size());
    const bool relativeMatters = (above || below) && relative != WindowList::kNullWindow;
    if (relativeMatters && at == windows.end()) return result;
    for (auto it = windows.begin(); it != windows.end(); ++it) {
        const bool isRelative = it == at;
        if (relativeMatters && !isRelative && ((above && it > at) || (below && it < at))) continue;
        if (relativeMatters && isRelative && !including) continue;
        const bool shown = world.isOnScreen(**it);
        if (onScreen && !isRelative && !shown) continue;
        result.push_back({*it, shown});
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
    const auto windows = select(*world, options, relativeToWindow);
    EntryBuilder builder(*world);
    plist::Array list;
    list.reserve(windows.size());
    for (const Listed& listed : windows) {
        const desktop::Window::Placement placed = listed.window->placement();
        if ((options & excludeDesktopElements) && isDesktopElement(placed.layer)) continue;
        list.push_back(builder.entryFor(*listed.window, placed, listed.onScreen));
    }
    return list;
}

plist::Dictionary dictionaryFromRect(const Rect& rect) {
    plist::Dictionary d;
    d.reserve(4);
    d.set("Height", rect.size.height);
    d.set("Width", rect.size.width);
    d.set("X", rect.origin.x);
    d.set("Y", rect.origin.y);
    return d;
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
