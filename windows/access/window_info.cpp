#include "windows/access/window_info.h"

#include <limits>

#include "platform/windowserver/window_list.h"

namespace furlpane::window_info {

using platform::WindowList;
using platform::plist::Dictionary;

namespace {

std::optional<int64_t> integerIn(const Dictionary& entry, const char* key, int64_t low, int64_t high) {
    const auto* value = entry.find(key);
    const auto n = value ? value->integer() : std::nullopt;
    if (!n || *n < low || *n > high) return std::nullopt;
    return n;
}

}  // namespace

std::optional<uint32_t> number(const Dictionary& entry) {
    const auto n = integerIn(entry, WindowList::kNumber, 0, std::numeric_limits<uint32_t>::max());
    return n ? std::optional<uint32_t>(static_cast<uint32_t>(*n)) : std::nullopt;
}

std::optional<int32_t> owner(const Dictionary& entry) {
    const auto n = integerIn(entry, WindowList::kOwnerPID, std::numeric_limits<int32_t>::min(),
                             std::numeric_limits<int32_t>::max());
    return n ? std::optional<int32_t>(static_cast<int32_t>(*n)) : std::nullopt;
}

std::optional<int64_t> layer(const Dictionary& entry) {
    const auto* value = entry.find(WindowList::kLayer);
    return value ? value->integer() : std::nullopt;
}

std::optional<platform::Rect> bounds(const Dictionary& entry) {
    const auto* value = entry.find(WindowList::kBounds);
    return value ? platform::rectFromDictionary(*value) : std::nullopt;
}

std::optional<double> alpha(const Dictionary& entry) {
    const auto* value = entry.find(WindowList::kAlpha);
    return value ? value->number() : std::nullopt;
}

std::optional<bool> isOnScreen(const Dictionary& entry) {
    const auto* value = entry.find(WindowList::kIsOnscreen);
    return value ? value->boolean() : std::nullopt;
}

const std::string* ownerName(const Dictionary& entry) {
    const auto* value = entry.find(WindowList::kOwnerName);
    return value ? value->string() : nullptr;
}

std::optional<platform::plist::Array> copyDictionaries(uint32_t options, uint32_t relativeTo) {
    auto list = WindowList::copyWindowInfo(options, relativeTo);
    if (!list) return std::nullopt;
    for (const auto& item : *list) {
        if (!item.dictionary()) return std::nullopt;
    }
    return list;
}

}  // namespace furlpane::window_info
