#pragma once

// Helpers shared by the settings tests: defaults that record their writes, fixed dates,
// preferences on them, a follower of observed reads, and comparisons that leave out the
// per-run slot ids.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/defaults/user_defaults.h"
#include "platform/runtime/observation.h"
#include "settings/model/action_settings.h"
#include "settings/model/calendar.h"
#include "settings/model/preferences.h"

namespace furlpane::testing {

// In-memory defaults that log every key written or removed, in order.
class RecordingDefaults : public platform::UserDefaults {
public:
    RecordingDefaults() : UserDefaults("com.brindlewick.FurlpaneNovan.tests") {}
    std::vector<std::string> writes;

protected:
    platform::WriteStatus store(std::string_view key, const std::optional<platform::plist::Value>& value) override {
        writes.push_back((value ? "set " : "remove ") + std::string(key));
        return UserDefaults::store(key, value);
    }
};

// Noon UTC of a calendar day, plus `hours`.
inline Date dateOf(int year, unsigned month, unsigned day, int hours = 12) {
    using namespace std::chrono;
    return sys_days{std::chrono::year{year} / month / day} + std::chrono::hours{hours};
}

// Preferences on `defaults` on an ordinary day in UTC, with a seeded random source.
inline std::shared_ptr<Preferences> makePreferences(platform::UserDefaults& defaults, uint64_t seed = 7) {
    return Preferences::create(defaults, [] { return dateOf(2024, 3, 3); }, Calendar::fixedOffset({}),
                               std::make_shared<SeededRandom>(seed));
}

// Counts the notices of one observed read, re-arming after each.
struct Follower {
    int notices = 0;
    std::function<void()> read;
    explicit Follower(std::function<void()> r) : read(std::move(r)) { arm(); }
    void arm() {
        platform::withObservationTracking(read, [this] {
            ++notices;
            arm();
        });
    }
};

// Slot ids are not stored, so a collection that went through its stored form comes
// back with fresh ones; these compare everything else.
inline ActionSettings withoutIds(ActionSettings settings) {
    for (HotkeyBinding& slot : settings.hotkeys) slot.id = Uuid();
    return settings;
}

inline std::vector<ApplicationRule> withoutIds(std::vector<ApplicationRule> rules) {
    for (ApplicationRule& rule : rules) rule.settings = withoutIds(rule.settings);
    return rules;
}

}  // namespace furlpane::testing
