#pragma once

// Dates as the user reads them: written in a locale's conventions, in the Gregorian
// calendar, in a time zone.
//
// The user's locale and time zone are the world's (the simulated desktop's region
// settings) while one exists; otherwise the process's: the locale from LC_ALL, LC_TIME
// or LANG ("de_DE.UTF-8" reads as "de_DE"; "C" and "POSIX" as "en_US"), the time zone
// from the C library's local time. The autoupdating locale and time zone read the
// user's settings again each time they are used, so that a format made once follows a
// later change.
//
// Dates are written in the conventions of English (United States and United Kingdom),
// German, French and Japanese; a locale of another language is written as "en_US" is,
// and a region that its language does not know as the language's first one.

#include <chrono>
#include <optional>
#include <string>

namespace platform {

using SystemTime = std::chrono::system_clock::time_point;

class Locale {
public:
    static Locale autoupdatingCurrent() { return Locale(); }
    explicit Locale(std::string identifier) : identifier_(std::move(identifier)) {}

    // The identifier, for the autoupdating locale the user's at this moment.
    std::string identifier() const;
    // The language of the identifier: "de" for "de_DE.UTF-8", "fr" for "fr-CA".
    std::string languageCode() const;

private:
    Locale() = default;
    std::optional<std::string> identifier_;  // none: the user's, read at each use
};

class TimeZone {
public:
    static TimeZone autoupdatingCurrent() { return TimeZone(); }
    // A fixed offset from UTC, east positive.
    static TimeZone fixed(std::chrono::seconds offsetFromUtc) { return TimeZone(offsetFromUtc); }

    // The offset from UTC at a moment, for the autoupdating zone the user's at this moment.
    std::chrono::seconds offset(SystemTime at) const;

private:
    TimeZone() = default;
    explicit TimeZone(std::chrono::seconds offset) : offset_(offset) {}
    std::optional<std::chrono::seconds> offset_;  // none: the user's, read at each use
};

enum class DateStyle { omitted, numeric, abbreviated };
enum class TimeStyle { omitted, shortened };

// A way of writing dates: "Jan 5, 2025 at 3:04 PM" is the abbreviated date with the
// shortened time in "en_US", "5 janv. 2025 à 15:04" in "fr_FR".
class DateFormatStyle {
public:
    DateFormatStyle(DateStyle date, TimeStyle time, Locale locale = Locale::autoupdatingCurrent(),
                    TimeZone timeZone = TimeZone::autoupdatingCurrent())
        : date_(date), time_(time), locale_(std::move(locale)), timeZone_(timeZone) {}

    // The date written out; empty when both styles are omitted.
    std::string format(SystemTime date) const;

private:
    DateStyle date_;
    TimeStyle time_;
    Locale locale_;
    TimeZone timeZone_;
};

}  // namespace platform
