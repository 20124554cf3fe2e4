#include "platform/desktop/hot_keys.h"

#include <algorithm>

#include "platform/desktop/desktop.h"

namespace platform::desktop {

namespace {

// Event flag bits as a keyboard sets them.
constexpr uint32_t kShift = 0x20000;
constexpr uint32_t kControl = 0x40000;
constexpr uint32_t kOption = 0x80000;
constexpr uint32_t kCommand = 0x100000;
constexpr uint32_t kNumericPad = 0x200000;
constexpr uint32_t kFunction = 0x800000;
constexpr uint32_t kModifierMask = kShift | kControl | kOption | kCommand;
// Arrow keys carry the numeric-pad and function bits.
constexpr uint32_t kArrow = kNumericPad | kFunction;

struct Standard {
    int number;
    SymbolicHotKey key;
};

constexpr Standard kStandard[] = {
    {28, {'3', 20, kShift | kCommand, true}},                // save a picture of the screen
    {29, {'3', 20, kShift | kControl | kCommand, true}},     // copy a picture of the screen
    {30, {'4', 21, kShift | kCommand, true}},                // save a picture of an area
    {31, {'4', 21, kShift | kControl | kCommand, true}},     // copy a picture of an area
    {32, {0xFFFF, 126, kControl | kArrow, true}},            // Mission Control
    {33, {0xFFFF, 125, kControl | kArrow, true}},            // application windows
    {36, {0xFFFF, 103, kFunction, true}},                    // show the desktop
    {60, {' ', 49, kControl, true}},                         // previous input source
    {61, {' ', 49, kControl | kOption, false}},              // next input source
    {64, {' ', 49, kCommand, true}},                         // Spotlight
    {65, {' ', 49, kOption | kCommand, true}},               // Finder search
    {79, {0xFFFF, 123, kControl | kArrow, true}},            // one Space to the left
    {81, {0xFFFF, 124, kControl | kArrow, true}},            // one Space to the right
    {98, {'/', 44, kShift | kCommand, true}},                // the help menu
    {175, {0xFFFF, 0xFFFF, 0, true}},                        // on, but without a key
    {184, {'5', 23, kShift | kCommand, true}},               // screenshot options
};

bool inRange(int number) { return number >= 0 && number < SystemHotKeys::kCount; }

}  // namespace

SystemHotKeys& Desktop::hotKeys() { return extension<SystemHotKeys>(); }

SystemHotKeys::SystemHotKeys(Desktop& world) : world_(world) {
    for (const auto& s : kStandard) keys_[static_cast<size_t>(s.number)] = s.key;
}

void SystemHotKeys::setOperatingMode(uint32_t mode, int32_t pid) {
    auto guard = world_.lock();
    std::optional<uint32_t> found;
    if (auto it = setter(pid); it != setters_.end()) {
        found = it->before;
        withdraw(it);
    }
    // A process that puts back what it found leaves nothing of its own to put back at
    // its end; any other setting goes on top, over what is in effect now.
    if (found != mode) setters_.push_back({pid, mode_});
    mode_ = mode;
    ++modeChanges_;
}

void SystemHotKeys::processEnded(int32_t pid) {
    auto guard = world_.lock();
    auto it = setter(pid);
    if (it == setters_.end()) return;
    const uint32_t was = mode_;
    withdraw(it);
    if (mode_ != was) ++modeChanges_;
}

SystemHotKeys::Setters::iterator SystemHotKeys::setter(int32_t pid) {
    return std::find_if(setters_.begin(), setters_.end(), [pid](const Setter& s) { return s.pid == pid; });
}

void SystemHotKeys::withdraw(Setters::iterator setting) {
    if (std::next(setting) == setters_.end()) {
        mode_ = setting->before;
    } else {
        // The setting above found this one's, which goes: it finds what this one did.
        std::next(setting)->before = setting->before;
    }
    setters_.erase(setting);
}

std::optional<SymbolicHotKey> SystemHotKeys::symbolicHotKey(int number) const {
    auto guard = world_.lock();
    if (!inRange(number)) return std::nullopt;
    return keys_[static_cast<size_t>(number)];
}

void SystemHotKeys::setSymbolicHotKey(int number, std::optional<SymbolicHotKey> value) {
    auto guard = world_.lock();
    if (inRange(number)) keys_[static_cast<size_t>(number)] = value;
}

void SystemHotKeys::setEnabled(int number, bool enabled) {
    auto guard = world_.lock();
    if (inRange(number) && keys_[static_cast<size_t>(number)]) keys_[static_cast<size_t>(number)]->enabled = enabled;
}

std::optional<int> SystemHotKeys::firedBy(uint16_t keyCode, uint64_t flags) const {
    auto guard = world_.lock();
    if (mode_ != kModeEnabled || keyCode == 0xFFFF) return std::nullopt;
    for (int n = 0; n < kCount; ++n) {
        const auto& key = keys_[static_cast<size_t>(n)];
        if (!key || !key->enabled || key->keyCode != keyCode) continue;
        if ((key->modifiers & kModifierMask) == (flags & kModifierMask)) return n;
    }
    return std::nullopt;
}

}  // namespace platform::desktop
