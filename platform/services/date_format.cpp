#include "platform/services/date_format.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "platform/desktop/desktop.h"

namespace platform {

namespace {

// How one locale writes dates. Patterns: y year, M month, MM month in two digits, MMM
// month's short name, d / dd day, H / HH hour of 24, h hour of 12, mm minutes, a the
// half of the day; text in single quotes and any other character stand as they are.
struct Conventions {
    std::string_view identifier;
    std::array<std::string_view, 12> months;
    std::string_view numericDate;
    std::string_view abbreviatedDate;
    std::string_view shortTime;
    // Between an abbreviated date and the time, and between a numeric one and the time.
    std::string_view abbreviatedJoiner;
    std::string_view numericJoiner;
    std::string_view am;
    std::string_view pm;
};

constexpr std::array<Conventions, 5> kConventions{{
    {"en_US", {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
     "M/d/y", "MMM d, y", "h:mm a", " at ", ", ", "AM", "PM"},
    {"en_GB", {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sept", "Oct", "Nov", "Dec"},
     "dd/MM/y", "d MMM y", "HH:mm", " at ", ", ", "am", "pm"},
    {"de_DE", {"Jan.", "Feb.", "März", "Apr.", "Mai", "Juni", "Juli", "Aug.", "Sept.", "Okt.", "Nov.", "Dez."},
     "dd.MM.y", "d. MMM y", "HH:mm", " um ", ", ", "AM", "PM"},
    {"fr_FR", {"janv.", "févr.", "mars", "avr.", "mai", "juin", "juil.", "août", "sept.", "oct.", "nov.", "déc."},
     "dd/MM/y", "d MMM y", "HH:mm", " à ", " ", "AM", "PM"},
    {"ja_JP", {"1月", "2月", "3月", "4月", "5月", "6月", "7月", "8月", "9月", "10月", "11月", "12月"},
     "y/MM/dd", "y年M月d日", "H:mm", " ", " ", "午前", "午後"},
}};

// "de_DE.UTF-8@euro" and "de-DE" read as "de_DE".
std::string normalized(std::string_view identifier) {
    identifier = identifier.substr(0, identifier.find_first_of(".@"));
    std::string out(identifier);
    for (char& c : out) {
        if (c == '-') c = '_';
    }
    return out;
}

const Conventions& conventionsFor(const std::string& identifier) {
    const std::string id = normalized(identifier);
    for (const Conventions& c : kConventions) {
        if (c.identifier == id) return c;
    }
    const std::string_view language = std::string_view(id).substr(0, id.find('_'));
    for (const Conventions& c : kConventions) {
        if (!language.empty() && c.identifier.substr(0, c.identifier.find('_')) == language) return c;
    }
    return kConventions[0];
}

std::string processLocale() {
    for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        const std::string_view v(value);
        if (v == "C" || v == "POSIX" || v.starts_with("C.")) return "en_US";
        return normalized(v);
    }
    return "en_US";
}

std::chrono::seconds processOffset(SystemTime at) {
    const std::time_t t = std::chrono::system_clock::to_time_t(at);
    std::tm local{};
    if (!localtime_r(&t, &local)) return std::chrono::seconds{0};
    return std::chrono::seconds{local.tm_gmtoff};
}

// The civil date and time of a moment at an offset.
struct Civil {
    int year;
    unsigned month;
    unsigned day;
    int hour;
    int minute;
};

Civil civil(SystemTime date, std::chrono::seconds offset) {
    using namespace std::chrono;
    // No zone lies more than a day from UTC; a setting beyond that is held to it.
    const seconds limit{86400};
    const auto local = time_point_cast<seconds>(date) + std::clamp(offset, -limit, limit);
    const auto day = floor<days>(local);
    const year_month_day ymd(day);
    const hh_mm_ss<seconds> time(local - day);
    return {int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day()), int(time.hours().count()),
            int(time.minutes().count())};
}

std::string twoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

std::string field(std::string_view token, const Civil& c, const Conventions& conventions) {
    if (token == "y") return std::to_string(c.year);
    if (token == "M") return std::to_string(c.month);
    if (token == "MM") return twoDigits(int(c.month));
    if (token == "MMM") return std::string(conventions.months[(c.month - 1) % 12]);
    if (token == "d") return std::to_string(c.day);
    if (token == "dd") return twoDigits(int(c.day));
    if (token == "H") return std::to_string(c.hour);
    if (token == "HH") return twoDigits(c.hour);
    if (token == "h") return std::to_string(c.hour % 12 == 0 ? 12 : c.hour % 12);
    if (token == "mm") return twoDigits(c.minute);
    if (token == "a") return std::string(c.hour < 12 ? conventions.am : conventions.pm);
    return std::string(token);
}

std::string expand(std::string_view pattern, const Civil& c, const Conventions& conventions) {
    static constexpr std::string_view kLetters = "yMdHhma";
    std::string out;
    for (size_t i = 0; i < pattern.size();) {
        if (pattern[i] == '\'') {
            const size_t close = pattern.find('\'', i + 1);
            const size_t end = close == std::string_view::npos ? pattern.size() : close;
            out += pattern.substr(i + 1, end - i - 1);
            i = end + 1;
        } else if (kLetters.find(pattern[i]) != std::string_view::npos) {
            size_t run = i;
            while (run < pattern.size() && pattern[run] == pattern[i]) ++run;
            out += field(pattern.substr(i, run - i), c, conventions);
            i = run;
        } else {
            out += pattern[i++];
        }
    }
    return out;
}

}  // namespace

std::string Locale::identifier() const {
    if (identifier_) return *identifier_;
    if (desktop::Desktop* world = desktop::Desktop::currentOrNull()) return world->region().locale();
    return processLocale();
}

std::string Locale::languageCode() const {
    const std::string id = normalized(identifier());
    return id.substr(0, id.find('_'));
}

std::chrono::seconds TimeZone::offset(SystemTime at) const {
    if (offset_) return *offset_;
    if (desktop::Desktop* world = desktop::Desktop::currentOrNull()) return world->region().timeZoneOffset();
    return processOffset(at);
}

std::string DateFormatStyle::format(SystemTime date) const {
    const Conventions& conventions = conventionsFor(locale_.identifier());
    const Civil c = civil(date, timeZone_.offset(date));
    const std::string_view datePattern =
        date_ == DateStyle::numeric ? conventions.numericDate : conventions.abbreviatedDate;
    const std::string dateText = date_ == DateStyle::omitted ? "" : expand(datePattern, c, conventions);
    const std::string timeText = time_ == TimeStyle::omitted ? "" : expand(conventions.shortTime, c, conventions);
    if (dateText.empty() || timeText.empty()) return dateText + timeText;
    const std::string_view joiner =
        date_ == DateStyle::numeric ? conventions.numericJoiner : conventions.abbreviatedJoiner;
    return dateText + std::string(joiner) + timeText;
}

}  // namespace platform
