// The ledger's entries, their stored form, and this instance's recordings.

#include "windows/changed/window_ledger.h"

#include <cmath>
#include <limits>

#include "platform/runtime/process_once.h"
#include "windows/access/main_thread.h"
#include "windows/access/own_windows.h"

namespace furlpane {

using platform::plist::Array;
using platform::plist::Dictionary;
using platform::plist::Value;

namespace {

constexpr const char* kCollapsed = "Collapsed";
constexpr const char* kMinimized = "Minimized";

std::shared_ptr<WindowLedger>& sharedSlot() {
    static platform::ProcessLocal<std::shared_ptr<WindowLedger>> slot;
    return slot.get();
}

// An integer of the stored dictionary within [low, high].
std::optional<int64_t> integerIn(const Dictionary& stored, std::string_view key, int64_t low, int64_t high) {
    const Value* value = stored.find(key);
    const auto number = value ? value->integer() : std::nullopt;
    if (!number || *number < low || *number > high) return std::nullopt;
    return number;
}

std::optional<double> finiteReal(const Dictionary& stored, std::string_view key) {
    const Value* value = stored.find(key);
    const auto real = value ? value->real() : std::nullopt;
    if (!real || !std::isfinite(*real)) return std::nullopt;
    return real;
}

std::optional<LedgerEntry::Change> decodeChange(const Dictionary& stored) {
    const Value* value = stored.find("Change");
    const std::string* text = value ? value->string() : nullptr;
    if (!text) return std::nullopt;
    if (*text == kMinimized) return LedgerEntry::Minimized{};
    if (*text != kCollapsed) return std::nullopt;
    const auto height = finiteReal(stored, "Height");
    if (!height) return std::nullopt;
    return LedgerEntry::Collapsed{*height, finiteReal(stored, "CollapsedHeight")};
}

}  // namespace

Dictionary LedgerEntry::encoded() const {
    Dictionary stored;
    stored.set("WindowID", int64_t{id});
    stored.set("ProcessID", int64_t{processIdentifier});
    if (const auto* collapsed = std::get_if<Collapsed>(&change)) {
        stored.set("Change", kCollapsed);
        stored.set("Height", collapsed->originalHeight);
        if (collapsed->collapsedHeight) stored.set("CollapsedHeight", *collapsed->collapsedHeight);
    } else {
        stored.set("Change", kMinimized);
    }
    return stored;
}

std::optional<LedgerEntry> LedgerEntry::decode(const Value& stored) {
    const Dictionary* dictionary = stored.dictionary();
    if (!dictionary) return std::nullopt;
    const auto id = integerIn(*dictionary, "WindowID", 0, std::numeric_limits<uint32_t>::max());
    const auto pid = integerIn(*dictionary, "ProcessID", 1, std::numeric_limits<int32_t>::max());
    const auto change = decodeChange(*dictionary);
    if (!id || !pid || !change) return std::nullopt;
    return LedgerEntry{static_cast<uint32_t>(*id), static_cast<int32_t>(*pid), *change};
}

WindowLedger::WindowLedger(platform::UserDefaults& defaults, int32_t ownerProcessIdentifier)
    : defaults_(&defaults), ownerKey_(std::to_string(ownerProcessIdentifier)) {}

WindowLedger& WindowLedger::shared() {
    auto& slot = sharedSlot();
    if (!slot) slot = std::make_shared<WindowLedger>(platform::UserDefaults::standard(), ownProcessIdentifier());
    return *slot;
}

void WindowLedger::setShared(std::shared_ptr<WindowLedger> ledger) { sharedSlot() = std::move(ledger); }

void WindowLedger::record(LedgerEntry entry) {
    requireMainThread("WindowLedger.record");
    const uint32_t window = entry.id;
    recordings_[window] = ++recordingCount_;
    entries_.insert_or_assign(window, std::move(entry));
    writeChanges();
}

void WindowLedger::forget(uint32_t window) {
    requireMainThread("WindowLedger.forget");
    recordings_.erase(window);
    entries_.erase(window);
    writeChanges();
}

std::optional<int64_t> WindowLedger::recording(uint32_t window) const {
    const auto found = recordings_.find(window);
    if (found == recordings_.end()) return std::nullopt;
    return found->second;
}

void WindowLedger::forgetIfCurrent(uint32_t window, int64_t recording) {
    if (this->recording(window) == recording) forget(window);
}

void WindowLedger::writeChanges() {
    Array list;
    for (const auto& [window, entry] : entries_) list.push_back(entry.encoded());
    storeOwnList(kDefaultsKey, std::move(list));
}

// The change holds what it uses: a write the file cannot take at once makes it again later.
void WindowLedger::storeOwnList(std::string_view key, Array list, const OwnerTest& isGone) {
    defaults_->update(key, [own = ownerKey_, list = std::move(list), isGone](std::optional<Value> stored) {
        Dictionary owners;
        if (stored && stored->dictionary()) owners = std::move(*stored->dictionary());
        // Owners that no longer run go in one pass: a file may hold a great many of them.
        if (isGone) {
            owners.eraseIf([&](std::string_view owner, const Value&) {
                return owner != own && isGone(std::string(owner));
            });
        }
        if (list.empty()) {
            owners.erase(own);
        } else {
            owners.set(own, list);
        }
        return owners.empty() ? std::nullopt : std::optional<Value>(std::move(owners));
    });
}

}  // namespace furlpane
