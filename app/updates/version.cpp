#include "app/updates/version.h"

#include <algorithm>

#include "platform/services/date_format.h"

namespace furlpane {

std::optional<std::string> runningVersionString(const platform::Bundle& bundle) {
    const platform::plist::Value* version = bundle.objectForInfoDictionaryKey(platform::info_keys::kShortVersion);
    if (!version || !version->string()) return std::nullopt;
    return *version->string();
}

bool isPreReleaseVersion(const std::optional<std::string>& version) {
    if (!version) return false;
    // ASCII lower-casing is enough: no other letter lower-cases to "a", "b", "r" or "c".
    std::string lower = *version;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : char(c); });
    return lower.find('a') != std::string::npos || lower.find('b') != std::string::npos ||
           lower.find("rc") != std::string::npos;
}

std::string lastCheckedText(Date date) {
    // The locale and time zone are read again at every call, so one format serves them all.
    static const platform::DateFormatStyle lastCheckedFormatStyle(platform::DateStyle::abbreviated,
                                                                   platform::TimeStyle::shortened);
    return "Last checked " + lastCheckedFormatStyle.format(date) + ".";
}

}  // namespace furlpane
