#include "platform/services/date_format.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"

namespace platform {
namespace {

using std::chrono::hours;
using std::chrono::minutes;
using std::chrono::seconds;

// 2025-01-05 15:04 UTC.
SystemTime afternoon() {
    return std::chrono::sys_days{std::chrono::year{2025} / 1 / 5} + hours(15) + minutes(4);
}

TEST(DateFormat, EachLocaleWritesItsOwnConventions) {
    struct Case {
        const char* locale;
        DateStyle date;
        TimeStyle time;
        seconds offset;
        const char* text;
    };
    const Case cases[] = {
        {"en_US", DateStyle::abbreviated, TimeStyle::shortened, {}, "Jan 5, 2025 at 3:04 PM"},
        {"en_US", DateStyle::numeric, TimeStyle::shortened, {}, "1/5/2025, 3:04 PM"},
        {"en_US", DateStyle::abbreviated, TimeStyle::omitted, {}, "Jan 5, 2025"},
        {"en_US", DateStyle::omitted, TimeStyle::shortened, hours(-15), "12:04 AM"},
        {"en_US", DateStyle::omitted, TimeStyle::omitted, {}, ""},
        {"en_GB", DateStyle::abbreviated, TimeStyle::shortened, {}, "5 Jan 2025 at 15:04"},
        {"de_DE", DateStyle::abbreviated, TimeStyle::shortened, hours(9), "6. Jan. 2025 um 00:04"},
        {"de-AT", DateStyle::numeric, TimeStyle::shortened, {}, "05.01.2025, 15:04"},
        {"fr_FR.UTF-8", DateStyle::abbreviated, TimeStyle::shortened, {}, "5 janv. 2025 à 15:04"},
        {"ja_JP", DateStyle::abbreviated, TimeStyle::shortened, hours(9), "2025年1月6日 0:04"},
        {"pt_BR", DateStyle::abbreviated, TimeStyle::shortened, -hours(5), "Jan 5, 2025 at 10:04 AM"},
        {"", DateStyle::abbreviated, TimeStyle::shortened, {}, "Jan 5, 2025 at 3:04 PM"},
        // No zone is more than a day away; an absurd offset is held to one.
        {"en_US", DateStyle::abbreviated, TimeStyle::shortened, seconds(1'000'000'000'000), "Jan 6, 2025 at 3:04 PM"},
    };
    for (const Case& c : cases) {
        const DateFormatStyle style(c.date, c.time, Locale(c.locale), TimeZone::fixed(c.offset));
        EXPECT_EQ(style.format(afternoon()), c.text) << c.locale;
    }
}

TEST(DateFormat, TheAutoupdatingLocaleAndZoneAreTheWorldsAsTheyAreAtEachUse) {
    MainLoop loop(ClockKind::simulated);
    desktop::Desktop world(loop);
    const DateFormatStyle style(DateStyle::abbreviated, TimeStyle::shortened);
    EXPECT_EQ(style.format(afternoon()), "Jan 5, 2025 at 3:04 PM");
    world.region().setLocale("en_GB");
    world.region().setTimeZoneOffset(hours(1));
    EXPECT_EQ(style.format(afternoon()), "5 Jan 2025 at 16:04");
}

TEST(DateFormat, WithoutAWorldTheLocaleComesFromTheEnvironment) {
    const char* saved = getenv("LC_ALL");
    const std::string kept = saved ? saved : "";
    const std::pair<const char*, const char*> cases[] = {
        {"fr_FR.UTF-8@euro", "fr_FR"}, {"C", "en_US"}, {"POSIX", "en_US"}};
    for (const auto& [value, identifier] : cases) {
        setenv("LC_ALL", value, 1);
        EXPECT_EQ(Locale::autoupdatingCurrent().identifier(), identifier);
    }
    if (saved) {
        setenv("LC_ALL", kept.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
}

}  // namespace
}  // namespace platform
