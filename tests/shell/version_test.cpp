#include "app/updates/version.h"

#include <gtest/gtest.h>

#include "tests/settings/settings_test_support.h"
#include "tests/shell/shell_test_support.h"

namespace furlpane {
namespace {

using platform::plist::Dictionary;
using platform::plist::Value;

TEST(Version, APreReleaseHoldsAnABOrRcAnywhereInAnyCase) {
    const std::pair<std::optional<std::string>, bool> cases[] = {
        {"1.2", false},  {"1.3b2", true}, {"2.0rc1", true}, {"2.0a", true}, {"2.0RC1", true},
        {"1.4B2", true}, {"Beta", true},  {"2.1", false},   {"", false},    {std::nullopt, false},
    };
    for (const auto& [version, preRelease] : cases) {
        EXPECT_EQ(isPreReleaseVersion(version), preRelease) << version.value_or("(none)");
    }
}

TEST(Version, TheRunningVersionIsTheShortVersionOnlyWhenItIsAString) {
    const std::pair<Dictionary, std::optional<std::string>> cases[] = {
        {Dictionary{{"CFBundleShortVersionString", Value("1.3b2")}}, "1.3b2"},
        {Dictionary{{"CFBundleShortVersionString", Value(2)}}, std::nullopt},
        {Dictionary{}, std::nullopt},
    };
    for (const auto& [info, version] : cases) {
        testing::MainBundle bundle(info);
        EXPECT_EQ(runningVersionString(), version);
    }
}

TEST(Version, TheLastCheckFollowsTheUsersLocaleAndTimeZoneAsTheyAreNow) {
    testing::ShellWorld env;
    const Date date = testing::dateOf(2025, 1, 5, 15) + std::chrono::minutes(4);
    EXPECT_EQ(lastCheckedText(date), "Last checked Jan 5, 2025 at 3:04 PM.");
    env.world.region().setLocale("de_DE");
    env.world.region().setTimeZoneOffset(std::chrono::hours(9));
    EXPECT_EQ(lastCheckedText(date), "Last checked 6. Jan. 2025 um 00:04.");
}

}  // namespace
}  // namespace furlpane
