// Windows left collapsed: reading, pruning and reopening the stored lists.

#include "windows/engine/left_collapsed.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

#include "platform/accessibility/trust.h"
#include "platform/accessibility/value.h"
#include "platform/windowserver/window_list.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/main_thread.h"
#include "windows/access/window_info.h"
#include "windows/changed/window_ledger.h"
#include "windows/engine/ledger_recovery.h"

namespace furlpane {

using platform::Rect;
using platform::plist::Array;
using platform::plist::Dictionary;
using platform::plist::Value;

namespace {

constexpr std::array<const char*, 5> kNumberKeys{"X", "Y", "Width", "Height", "OriginalHeight"};

// The five numbers of a stored window, in kNumberKeys order; none when one is missing,
// not a real, or not finite.
std::optional<std::array<double, 5>> storedNumbers(const Dictionary& stored) {
    std::array<double, 5> numbers{};
    for (size_t i = 0; i < kNumberKeys.size(); ++i) {
        const Value* value = stored.find(kNumberKeys[i]);
        const auto real = value ? value->real() : std::nullopt;
        if (!real || !std::isfinite(*real)) return std::nullopt;
        numbers[i] = *real;
    }
    return numbers;
}

// Takes the first stored element that reads as the window out of the list; false when
// none does.
bool removeFirst(std::vector<Value>& list, const LeftCollapsed& window) {
    const auto found = std::find_if(list.begin(), list.end(), [&window](const Value& stored) {
        return LeftCollapsedWindows::decode(stored) == window;
    });
    if (found == list.end()) return false;
    list.erase(found);
    return true;
}

// The application's list with the windows taken out, under the stored dictionary of every
// application; what is not a dictionary of lists is left as it is.
std::optional<Value> withoutWindows(std::optional<Value> stored, const std::vector<LeftCollapsed>& windows,
                                    const std::string& bundleIdentifier) {
    Dictionary* applications = stored ? stored->dictionary() : nullptr;
    Value* listed = applications ? applications->find(bundleIdentifier) : nullptr;
    const Array* array = listed ? listed->array() : nullptr;
    if (!array) return stored;
    std::vector<Value> list(array->begin(), array->end());
    bool removed = false;
    for (const auto& window : windows) removed = removeFirst(list, window) || removed;
    if (!removed) return stored;
    if (list.empty()) {
        applications->erase(bundleIdentifier);
    } else {
        Array kept;
        for (auto& value : list) kept.push_back(std::move(value));
        *listed = Value(std::move(kept));
    }
    if (applications->empty()) return std::nullopt;
    return stored;
}

// The windows on screen (desktop elements left out) that may be remembered ones of the
// application and that the engine does not hold.
std::set<uint32_t> candidates(const std::vector<LeftCollapsed>& windows, int32_t pid,
                              const LeftCollapsedWindows::HoldsWindow& holdsWindow) {
    std::set<uint32_t> numbers;
    using platform::WindowList;
    constexpr uint32_t kOnScreenWithoutDesktop = WindowList::onScreenOnly | WindowList::excludeDesktopElements;
    const auto list = window_info::copyDictionaries(kOnScreenWithoutDesktop, WindowList::kNullWindow);
    if (!list) return numbers;
    for (const auto& value : *list) {
        const Dictionary& entry = *value.dictionary();
        const auto number = window_info::number(entry);
        const auto bounds = window_info::bounds(entry);
        if (window_info::owner(entry) != pid || window_info::layer(entry) != 0 || !number || !bounds) continue;
        const bool mayBeOne = std::any_of(windows.begin(), windows.end(), [&bounds](const LeftCollapsed& window) {
            return LeftCollapsedWindows::mayBe(window, *bounds);
        });
        if (mayBeOne && !holdsWindow(*number)) numbers.insert(*number);
    }
    return numbers;
}

// The application's accessibility windows among the candidates, in the application's
// order, with their titles (empty when unreadable) and frames.
std::vector<LeftCollapsedWindows::Found> foundWindows(int32_t pid, const std::set<uint32_t>& numbers) {
    std::vector<LeftCollapsedWindows::Found> found;
    for (const auto& element : applicationWindows(pid)) {
        const auto number = windowNumber(element);
        if (!number || !numbers.count(*number)) continue;
        const auto frame = elementFrame(element);
        if (!frame.ok()) continue;
        found.push_back({element, stringAttribute(ax::attribute::title, element).value_or(""), frame.value()});
    }
    return found;
}

bool giveHeight(const LeftCollapsedWindows::Found& found, double height) {
    const platform::Size size{found.frame.width(), height};
    return found.element.setAttributeValue(ax::attribute::size, platform::AccessibilityValue(size)) ==
           platform::AccessibilityError::success;
}

}  // namespace

LeftCollapsedWindows LeftCollapsedWindows::ofSharedLedger() {
    return LeftCollapsedWindows(WindowLedger::shared().defaults());
}

std::vector<LeftCollapsed> LeftCollapsedWindows::leftCollapsed(const std::string& bundleIdentifier) const {
    std::vector<LeftCollapsed> windows;
    const auto stored = defaults_->storedObject(kDefaultsKey);
    const Dictionary* applications = stored ? stored->dictionary() : nullptr;
    const Value* listed = applications ? applications->find(bundleIdentifier) : nullptr;
    const Array* list = listed ? listed->array() : nullptr;
    if (!list) return windows;
    for (const auto& element : *list) {
        if (auto window = decode(element)) windows.push_back(std::move(*window));
    }
    return windows;
}

void LeftCollapsedWindows::forgetLeftCollapsed(const std::vector<LeftCollapsed>& windows,
                                               const std::string& bundleIdentifier) {
    requireMainThread("WindowLedger.forgetLeftCollapsed");
    if (windows.empty()) return;
    // Held by value: a write the file cannot take at once makes the change again later.
    defaults_->update(kDefaultsKey, [windows, bundleIdentifier](std::optional<Value> stored) {
        return withoutWindows(std::move(stored), windows, bundleIdentifier);
    });
}

LeftCollapsedWindows::Reopened LeftCollapsedWindows::reopenLeftCollapsed(const std::vector<LeftCollapsed>& windows,
                                                                         int32_t pid, const HoldsWindow& holdsWindow) {
    requireMainThread("WindowLedger.reopenLeftCollapsed");
    const auto numbers = candidates(windows, pid, holdsWindow);
    if (numbers.empty() || !platform::AccessibilityTrust::isProcessTrusted()) return {{}, windows};
    const auto found = foundWindows(pid, numbers);
    std::vector<bool> isReopened(windows.size(), false);
    for (const auto& [remembered, window] : pairLeftCollapsed(windows, found)) {
        isReopened[remembered] = giveHeight(found[window], windows[remembered].originalHeight);
    }
    Reopened result;
    for (size_t i = 0; i < windows.size(); ++i) {
        (isReopened[i] ? result.reopened : result.remaining).push_back(windows[i]);
    }
    return result;
}

std::set<std::string> LeftCollapsedWindows::bundleIdentifiers() const {
    const auto stored = defaults_->storedObject(kDefaultsKey);
    const Dictionary* applications = stored ? stored->dictionary() : nullptr;
    if (!applications) return {};
    const auto keys = applications->keys();
    return {keys.begin(), keys.end()};
}

// A window found with the remembered one's title beats any other, however far; among
// equals the nearer one wins, and the earlier pairing on a tie.
std::vector<std::pair<size_t, size_t>> LeftCollapsedWindows::pairLeftCollapsed(
    const std::vector<LeftCollapsed>& remembered, const std::vector<Found>& found) {
    struct Pairing {
        bool titleDiffers = false;
        double distance = 0;
        size_t remembered = 0;
        size_t found = 0;
    };
    std::vector<Pairing> pairings;
    for (size_t r = 0; r < remembered.size(); ++r) {
        for (size_t f = 0; f < found.size(); ++f) {
            if (!mayBe(remembered[r], found[f].frame)) continue;
            const Rect& was = remembered[r].frame;
            const double distance = std::hypot(found[f].frame.minX() - was.minX(), found[f].frame.minY() - was.minY());
            pairings.push_back({found[f].title != remembered[r].title, distance, r, f});
        }
    }
    std::stable_sort(pairings.begin(), pairings.end(), [](const Pairing& a, const Pairing& b) {
        return std::tie(a.titleDiffers, a.distance) < std::tie(b.titleDiffers, b.distance);
    });
    std::vector<bool> rememberedTaken(remembered.size(), false);
    std::vector<bool> foundTaken(found.size(), false);
    std::vector<std::pair<size_t, size_t>> taken;
    for (const auto& pairing : pairings) {
        if (rememberedTaken[pairing.remembered] || foundTaken[pairing.found]) continue;
        rememberedTaken[pairing.remembered] = foundTaken[pairing.found] = true;
        taken.emplace_back(pairing.remembered, pairing.found);
    }
    return taken;
}

std::optional<LeftCollapsed> LeftCollapsedWindows::decode(const Value& stored) {
    const Dictionary* window = stored.dictionary();
    const Value* title = window ? window->find("Title") : nullptr;
    if (!title || !title->string()) return std::nullopt;
    const auto numbers = storedNumbers(*window);
    if (!numbers) return std::nullopt;
    const auto& [x, y, width, height, originalHeight] = *numbers;
    return LeftCollapsed{*title->string(), Rect{x, y, width, height}, originalHeight};
}

Dictionary LeftCollapsedWindows::encoded(const LeftCollapsed& window) {
    return Dictionary{{"Title", window.title},
                      {"X", window.frame.minX()},
                      {"Y", window.frame.minY()},
                      {"Width", window.frame.width()},
                      {"Height", window.frame.height()},
                      {"OriginalHeight", window.originalHeight}};
}

bool LeftCollapsedWindows::mayBe(const LeftCollapsed& remembered, const Rect& frame) {
    const bool sizeAgrees = std::fabs(frame.width() - remembered.frame.width()) <= kSizeTolerance &&
                            std::fabs(frame.height() - remembered.frame.height()) <= kSizeTolerance;
    return sizeAgrees && remembered.originalHeight > 0 && remembered.originalHeight <= LedgerRecovery::kTallestWindow;
}

}  // namespace furlpane
