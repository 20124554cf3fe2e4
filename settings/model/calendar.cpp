#include "settings/model/calendar.h"

#include <ctime>

namespace furlpane {

namespace {

MonthDay monthDayAtOffset(Date date, std::chrono::seconds offset) {
    using namespace std::chrono;
    const auto local = time_point_cast<seconds>(date) + offset;
    const year_month_day ymd{floor<days>(local)};
    return MonthDay{static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day())};
}

}  // namespace

DateSource systemDateSource() {
    return [] { return std::chrono::system_clock::now(); };
}

Calendar Calendar::current() { return Calendar(std::nullopt); }

Calendar Calendar::fixedOffset(std::chrono::seconds offsetFromUtc) { return Calendar(offsetFromUtc); }

MonthDay Calendar::monthDay(Date date) const {
    if (offset_) return monthDayAtOffset(date, *offset_);
    const std::time_t t = std::chrono::system_clock::to_time_t(date);
    std::tm local{};
    // A date the C library cannot place in the local zone is named in UTC instead.
    if (!localtime_r(&t, &local)) return monthDayAtOffset(date, std::chrono::seconds{0});
    return MonthDay{static_cast<unsigned>(local.tm_mon + 1), static_cast<unsigned>(local.tm_mday)};
}

}  // namespace furlpane
