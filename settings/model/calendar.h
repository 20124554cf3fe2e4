#pragma once

// Dates, the source that tells the current one, and the calendar that names its day.
//
// The settings never read a global clock: they ask a date source for "now" and a
// calendar for the month and day of that date, so that tests can fix both.

#include <chrono>
#include <functional>
#include <optional>

namespace furlpane {

using Date = std::chrono::system_clock::time_point;
using DateSource = std::function<Date()>;

// The system clock.
DateSource systemDateSource();

struct MonthDay {
    unsigned month = 1;  // 1 ... 12
    unsigned day = 1;    // 1 ... 31
    friend bool operator==(const MonthDay&, const MonthDay&) = default;
};

// The Gregorian calendar in one time zone.
class Calendar {
public:
    // The system's current time zone, as it stands when each question is asked.
    static Calendar current();
    // A fixed offset from UTC (east positive).
    static Calendar fixedOffset(std::chrono::seconds offsetFromUtc);

    MonthDay monthDay(Date date) const;

private:
    explicit Calendar(std::optional<std::chrono::seconds> offset) : offset_(offset) {}
    std::optional<std::chrono::seconds> offset_;  // none: the system's time zone
};

}  // namespace furlpane
