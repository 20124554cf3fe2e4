#pragma once

// Helpers shared by the settings tests: defaults that record their writes, fixed dates,
// and comparisons that leave out the per-run slot ids.

#include <chrono>
#include <string>
#include <vector>

#include "platform/defaults/user_defaults.h"
#include "settings/model/action_settings.h"
#include "settings/model/calendar.h"

namespace furlpane::testing {

// In-memory defaults that log every key written or removed, in order.
class RecordingDefaults : public platform::UserDefaults {
public:
    RecordingDefaults() : UserDefaults("com.brindlewick.FurlpaneNovan.tests") {}
    std::vector<std::string> writes;

protected:
    void store(std::string_view key, const std::optional<platform::plist::Value>& value) override {
        writes.push_back((value ? "set " : "remove ") + std::string(key));
        UserDefaults::store(key, value);
    }
};

// Noon UTC of a calendar day, plus `hours`.
inline Date dateOf(int year, unsigned month, unsigned day, int hours = 12) {
    using namespace std::chrono;
    return sys_days{std::chrono::year{year} / month / day} + std::chrono::hours{hours};
}

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
