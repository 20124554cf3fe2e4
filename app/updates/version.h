#pragma once

// The running version and what the Updates tab says about it.

#include <optional>
#include <string>

#include "platform/services/bundle.h"
#include "settings/model/calendar.h"

namespace furlpane {

// The bundle's "CFBundleShortVersionString" when it is a string.
std::optional<std::string> runningVersionString(const platform::Bundle& bundle = platform::Bundle::main());

// A pre-release when the version, lower-cased, holds "a", "b" or "rc" anywhere ("1.3b2",
// "2.0RC1", "2.0a"); no version is a release.
bool isPreReleaseVersion(const std::optional<std::string>& version);

// "Last checked " and the date with its abbreviated date and shortened time in the
// user's locale and time zone as they are now, then ".".
std::string lastCheckedText(Date date);

}  // namespace furlpane
